#include "HarvestCheck.h"

#include "AddressPattern.h"
#include "CharacterReferences.h"
#include "MailtoLinks.h"
#include "SourcePositions.h"

#include <algorithm>

namespace quillveil {

namespace {

/// The run that holds `offset`, or null.
const HtmlRun* RunAt(const std::vector<HtmlRun>& runs, std::size_t offset)
{
    const auto after =
        std::upper_bound(runs.begin(), runs.end(), offset,
                         [](std::size_t at, const HtmlRun& run) { return at < run.begin; });
    if (after == runs.begin())
        return nullptr;
    const HtmlRun& run = *std::prev(after);
    return offset < run.end ? &run : nullptr;
}

void Place(HarvestFinding& finding, const HtmlRun* run, bool whole)
{
    if (!run) {
        finding.place = whole ? HarvestPlace::Markup : HarvestPlace::Unread;
        return;
    }
    switch (run->kind) {
    case HtmlRunKind::Text:
        finding.place = HarvestPlace::Text;
        break;
    case HtmlRunKind::AttributeValue:
        // Inside noscript a scripting browser reads the tag as raw text, as it does the text
        // around it: no attribute there is shown, and none is protected.
        finding.place = run->decodesReferences ? HarvestPlace::Attribute : HarvestPlace::RawText;
        finding.attribute = run->attribute;
        break;
    case HtmlRunKind::EscapableRawText:
        finding.place = run->element == "title" ? HarvestPlace::Title : HarvestPlace::Textarea;
        break;
    case HtmlRunKind::Script:
        finding.place = HarvestPlace::Script;
        break;
    case HtmlRunKind::Style:
        finding.place = HarvestPlace::Style;
        break;
    case HtmlRunKind::RawText:
        finding.place = HarvestPlace::RawText;
        break;
    case HtmlRunKind::Comment:
        finding.place = HarvestPlace::Comment;
        break;
    case HtmlRunKind::CData:
        finding.place = HarvestPlace::CData;
        break;
    }
}

/// A decoded URL on one line: control characters as "\xNN".
std::string Printable(std::string_view text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string printable;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            printable += {'\\', 'x', hex[byte >> 4], hex[byte & 15]};
        else
            printable += c;
    }
    return printable;
}

bool IsWellFormedMailto(std::string_view url)
{
    const std::vector<std::string> recipients = MailtoRecipients(url);
    return std::all_of(recipients.begin(), recipients.end(),
                       [](const std::string& recipient) { return IsAddress(recipient); });
}

} // namespace

bool MayHoldFinding(std::string_view page)
{
    if (MayHoldAddress(page))
        return true;
    // A mailto URL that "mailto:" does not spell out writes one of its characters as a
    // reference; "&amp;" and "&#8217;" on every other page do not count.
    static constexpr std::string_view mailtoCharacters = "mailtoMAILTO:@";
    for (std::size_t amp = page.find('&'); amp != std::string_view::npos;
         amp = page.find('&', amp + 1)) {
        const CharacterReference reference = ReadCharacterReference(page, amp, true);
        if (reference.decoded.size() == 1 &&
            mailtoCharacters.find(reference.decoded[0]) != std::string_view::npos)
            return true;
    }
    return false;
}

static std::vector<HarvestFinding> Find(std::string_view page, bool parse)
{
    std::vector<HarvestFinding> findings;
    if (!MayHoldFinding(page))
        return findings;
    const HtmlReading reading = parse ? ReadHtml(page) : HtmlReading();
    const std::vector<HtmlRun>& runs = reading.Runs();

    ForEachAddress(page, [&](const AddressMatch& match) {
        // "mailto:" with its address is one finding; an address right after that address is
        // one of its own.
        static constexpr std::size_t mailtoSize = 7;
        if (!match.isMailto && !findings.empty() &&
            findings.back().kind == HarvestFinding::Kind::Mailto &&
            findings.back().text.size() == mailtoSize &&
            findings.back().offset + mailtoSize == match.begin) {
            findings.back().text =
                page.substr(findings.back().offset, match.end - findings.back().offset);
            return;
        }
        HarvestFinding finding;
        finding.kind =
            match.isMailto ? HarvestFinding::Kind::Mailto : HarvestFinding::Kind::Address;
        finding.offset = match.begin;
        finding.text = page.substr(match.begin, match.end - match.begin);
        Place(finding, RunAt(runs, match.begin), parse && reading.IsWhole());
        findings.push_back(std::move(finding));
    });

    for (const HtmlRun& run : runs) {
        // A run the reader could not place (its end before its begin) names no value.
        if (run.kind != HtmlRunKind::AttributeValue || run.attribute != "href" ||
            !run.decodesReferences || run.end < run.begin)
            continue;
        const std::string_view source = page.substr(run.begin, run.end - run.begin);
        if (source.find('&') == std::string_view::npos)
            continue; // written out: found above if it is a mailto URL
        const std::string url = DecodeAttributeValue(source);
        if (!IsMailtoUrl(url) || IsWellFormedMailto(url))
            continue;
        HarvestFinding finding;
        finding.kind = HarvestFinding::Kind::BrokenLink;
        finding.offset = run.begin;
        finding.text = url;
        Place(finding, &run, true);
        findings.push_back(std::move(finding));
    }
    std::stable_sort(findings.begin(), findings.end(),
                     [](const auto& a, const auto& b) { return a.offset < b.offset; });
    SourcePositions positions(page);
    for (HarvestFinding& finding : findings)
        finding.position = positions(finding.offset);
    return findings;
}

std::vector<HarvestFinding> FindHarvestable(std::string_view page)
{
    return Find(page, true);
}

std::vector<HarvestFinding> FindHarvestableUnparsed(std::string_view page)
{
    return Find(page, false);
}

std::string DescribeFinding(const HarvestFinding& finding)
{
    std::string line;
    switch (finding.kind) {
    case HarvestFinding::Kind::Address:
        line = "address " + finding.text;
        break;
    case HarvestFinding::Kind::Mailto:
        line = "readable " + finding.text;
        break;
    case HarvestFinding::Kind::BrokenLink:
        return "protected mailto link with no well-formed address: " + Printable(finding.text);
    }
    switch (finding.place) {
    case HarvestPlace::Text:
        return line + " in text";
    case HarvestPlace::Attribute:
        return line + " in attribute " + finding.attribute;
    case HarvestPlace::Title:
        return line + " in the title";
    case HarvestPlace::Textarea:
        return line + " in a textarea";
    case HarvestPlace::Script:
        return line + " in a script";
    case HarvestPlace::Style:
        return line + " in a style";
    case HarvestPlace::Comment:
        return line + " in a comment";
    case HarvestPlace::CData:
        return line + " in CDATA";
    case HarvestPlace::RawText:
        return line + " in raw text or noscript";
    case HarvestPlace::Markup:
        return line + " in markup";
    case HarvestPlace::Unread:
        return line + " in a page not readable as HTML";
    }
    return line;
}

} // namespace quillveil
