#include "ProtectPageProperties.h"

#include "AddressPattern.h"
#include "GumboLimits.h"
#include "HarvestCheck.h"
#include "HtmlReader.h"
#include "MailtoLinks.h"
#include "PageProtector.h"
#include "SourcePositions.h"

#include <algorithm>
#include <vector>

namespace quillveil::testing {

namespace {

using Outcome = ProtectedPage::Outcome;

/// Every ASCII byte as a decimal reference, the rest as it is: what a change must hold.
std::string References(std::string_view text)
{
    std::string written;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            written += "&#" + std::to_string(byte) + ";";
        else
            written += c;
    }
    return written;
}

bool SamePosition(const HtmlPosition& a, const HtmlPosition& b)
{
    return a.line == b.line && a.column == b.column;
}

std::string Where(std::size_t offset)
{
    return " (at " + std::to_string(offset) + ")";
}

/// The changes lie in order inside the page at the positions given, and the protected text
/// is the page with each of them written as references and nothing else touched.
std::string CheckChanges(std::string_view page, const ProtectedPage& result)
{
    std::string expected;
    SourcePositions positions(page);
    std::size_t copied = 0;
    for (const PageChange& change : result.changes) {
        if (change.begin < copied || change.end <= change.begin || change.end > page.size())
            return "changes overlap, are empty or lie outside the page" + Where(change.begin);
        if (!SamePosition(change.position, positions(change.begin)))
            return "a change's line and column are wrong" + Where(change.begin);
        const std::string_view piece = page.substr(change.begin, change.end - change.begin);
        expected += page.substr(copied, change.begin - copied);
        // Each ASCII character as a reference; in a mailto URL the references, CR and
        // control characters stay, and it still decodes to the same URL, with nothing left
        // for a harvester.
        const std::string form = ProtectedForm(page, change);
        if (change.kind != PageChange::Kind::MailtoUrl) {
            if (form != References(piece))
                return "a change is not written as references" + Where(change.begin);
        } else if (DecodeAttributeValue(form) != DecodeAttributeValue(piece) ||
                   MayHoldAddress(form)) {
            return "a mailto URL is not written as references of itself" + Where(change.begin);
        }
        expected += form;
        copied = change.end;
    }
    expected += page.substr(copied);
    if (result.text != expected)
        return "bytes outside the reported changes were touched";
    return {};
}

/// Decoded values of the hrefs a browser follows that are mailto URLs naming something that is
/// not an address: the links that may show up as broken, whether written out or as references.
std::vector<std::string> BrokenMailtoHrefs(std::string_view page)
{
    std::vector<std::string> broken;
    const HtmlReading reading = ReadHtml(page);
    for (const std::vector<HtmlRun>& runs : reading.Readings()) {
        for (const HtmlRun& run : runs) {
            if (run.kind != HtmlRunKind::AttributeValue || run.attribute != "href")
                continue;
            const std::string url =
                DecodeAttributeValue(page.substr(run.begin, run.end - run.begin));
            if (IsMailtoUrl(url) && !IsWellFormedMailto(url))
                broken.push_back(url);
        }
    }
    std::sort(broken.begin(), broken.end());
    broken.erase(std::unique(broken.begin(), broken.end()), broken.end());
    return broken;
}

/// What FindHarvestable reports on any page: findings in order, inside the page, each the
/// text it names, at the line and column SourcePositions counts.
std::string CheckFindings(std::string_view page, const std::vector<HarvestFinding>& findings)
{
    SourcePositions positions(page);
    std::size_t last = 0;
    for (const HarvestFinding& finding : findings) {
        if (finding.offset < last || finding.offset >= page.size())
            return "findings out of order or outside the page" + Where(finding.offset);
        last = finding.offset;
        if (!SamePosition(finding.position, positions(finding.offset)))
            return "a finding's line and column are wrong" + Where(finding.offset);
        switch (finding.kind) {
        case HarvestFinding::Kind::Address:
            if (page.substr(finding.offset, finding.text.size()) != finding.text ||
                !IsAddress(finding.text))
                return "an address found is not the page's text or no address" +
                       Where(finding.offset);
            break;
        case HarvestFinding::Kind::Mailto:
            if (page.substr(finding.offset, finding.text.size()) != finding.text ||
                !IsMailtoUrl(finding.text) ||
                (finding.text.size() > 7 && !IsAddress(std::string_view(finding.text).substr(7))))
                return "a mailto found is not the page's text" + Where(finding.offset);
            break;
        case HarvestFinding::Kind::BrokenLink:
            if (finding.place != HarvestPlace::Attribute || finding.attribute != "href")
                return "a broken link found outside an href" + Where(finding.offset);
            break;
        }
    }
    return {};
}

bool IsShown(HarvestPlace place)
{
    return place == HarvestPlace::Text || place == HarvestPlace::Attribute ||
           place == HarvestPlace::Title;
}

} // namespace

std::string CheckProtectPage(std::string_view page)
{
    if (MayAbortGumbo(page))
        return {};
    const std::vector<HarvestFinding> before = FindHarvestable(page);
    if (std::string problem = CheckFindings(page, before); !problem.empty())
        return "before: " + problem;

    const ProtectedPage result = ProtectPage(page);
    const ProtectedPage again = ProtectPage(page);
    if (result.outcome != again.outcome || result.text != again.text)
        return "two protections of one page disagree";
    // Passed over unread, so it had better hold nothing a harvester reads.
    if (result.outcome == Outcome::NothingToProtect)
        for (const HarvestFinding& finding : before)
            if (finding.kind != HarvestFinding::Kind::BrokenLink)
                return "a page passed over holds " + DescribeFinding(finding) +
                       Where(finding.offset);
    if (result.outcome == Outcome::Unreadable || result.outcome == Outcome::NothingToProtect)
        return {};
    if (result.outcome == Outcome::Unchanged && !result.changes.empty())
        return "an unchanged page reports changes";

    const std::string_view after = result.outcome == Outcome::Changed ? result.text : page;
    if (result.outcome == Outcome::Changed) {
        if (result.changes.empty())
            return "a changed page reports no change";
        if (std::string problem = CheckChanges(page, result); !problem.empty())
            return problem;
        // Skipped where Gumbo is no judge of the page (see GumboLimits.h): huge numeric
        // references anywhere, control characters or noncharacters in a mailto URL, which
        // protection writes now as references and now as they are.
        const bool gumboJudges =
            !HasHugeNumericReference(page) &&
            std::none_of(result.changes.begin(), result.changes.end(), [&](const PageChange& c) {
                return c.kind == PageChange::Kind::MailtoUrl &&
                       HasCharacterGumboReplaces(
                           DecodeAttributeValue(page.substr(c.begin, c.end - c.begin)));
            });
        if (gumboJudges && DescribeDocument(after) != DescribeDocument(page))
            return "the protected page reads as another document";
        const Outcome twice = ProtectPage(after).outcome;
        if (twice != Outcome::Unchanged && twice != Outcome::NothingToProtect)
            return "the protected page does not protect to itself";
    }

    const std::vector<HarvestFinding> findings =
        result.outcome == Outcome::Changed ? FindHarvestable(after) : before;
    if (std::string problem = CheckFindings(after, findings); !problem.empty())
        return "after: " + problem;
    std::vector<std::string> broken;
    for (const HarvestFinding& finding : findings) {
        if (finding.kind == HarvestFinding::Kind::BrokenLink)
            broken.push_back(finding.text);
        else if (IsShown(finding.place))
            return "a harvester still reads " + DescribeFinding(finding) + Where(finding.offset);
    }
    // A link is broken after protection only if the page already linked there.
    std::sort(broken.begin(), broken.end());
    broken.erase(std::unique(broken.begin(), broken.end()), broken.end());
    const std::vector<std::string> brokenBefore = BrokenMailtoHrefs(page);
    if (!std::includes(brokenBefore.begin(), brokenBefore.end(), broken.begin(), broken.end()))
        return "protection made a broken link";
    return {};
}

} // namespace quillveil::testing
