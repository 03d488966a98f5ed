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

HarvestPlace PlaceOf(const HtmlRun* run, bool whole)
{
    if (!run)
        return whole ? HarvestPlace::Markup : HarvestPlace::Unread;
    switch (run->kind) {
    case HtmlRunKind::Text:
        return HarvestPlace::Text;
    case HtmlRunKind::AttributeValue:
        return HarvestPlace::Attribute;
    case HtmlRunKind::EscapableRawText:
        return run->element == "title" ? HarvestPlace::Title : HarvestPlace::Textarea;
    case HtmlRunKind::Script:
        return HarvestPlace::Script;
    case HtmlRunKind::Style:
        return HarvestPlace::Style;
    case HtmlRunKind::RawText:
        return HarvestPlace::RawText;
    case HtmlRunKind::Comment:
        return HarvestPlace::Comment;
    case HtmlRunKind::CData:
        return HarvestPlace::CData;
    }
    return HarvestPlace::Markup;
}

bool IsShown(HarvestPlace place)
{
    return place == HarvestPlace::Text || place == HarvestPlace::Attribute ||
           place == HarvestPlace::Title;
}

/// Places a finding whose key ("@" or ":") is at `key`: where a browser shows it in either
/// reading, or where the first reading has it. An address is cut to the run that holds its
/// "@" (in raw source "title='me@x.org" would read as one); false where none is left.
bool Place(HarvestFinding& finding, std::string_view page, std::size_t key,
           const HtmlReading& reading, std::size_t& end)
{
    const HtmlRun* run = RunAt(reading.Runs(), key);
    HarvestPlace place = PlaceOf(run, reading.IsWhole());
    for (const std::vector<HtmlRun>& runs : reading.Readings()) {
        const HtmlRun* other = RunAt(runs, key);
        if (const HarvestPlace otherPlace = PlaceOf(other, reading.IsWhole());
            !IsShown(place) && IsShown(otherPlace)) {
            run = other;
            place = otherPlace;
        }
    }
    finding.place = place;
    if (run && run->kind == HtmlRunKind::AttributeValue)
        finding.attribute = run->attribute;
    if (!run || finding.kind != HarvestFinding::Kind::Address ||
        (run->begin <= finding.offset && end <= run->end))
        return true;
    const AddressMatch match =
        AddressAround(page.substr(run->begin, run->end - run->begin), key - run->begin);
    finding.offset = run->begin + match.begin;
    end = run->begin + match.end;
    return match.begin != match.end;
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

    ForEachAddress(page, [&](const AddressMatch& match) {
        HarvestFinding finding;
        finding.kind =
            match.isMailto ? HarvestFinding::Kind::Mailto : HarvestFinding::Kind::Address;
        finding.offset = match.begin;
        std::size_t end = match.end;
        const std::size_t key = match.isMailto ? match.end - 1 : page.find('@', match.begin);
        if (!parse)
            finding.place = HarvestPlace::Unread;
        else if (!Place(finding, page, key, reading, end))
            return;
        // "mailto:" with its address is one finding; an address right after that address is
        // one of its own.
        static constexpr std::size_t mailtoSize = 7;
        if (!match.isMailto && !findings.empty() &&
            findings.back().kind == HarvestFinding::Kind::Mailto &&
            findings.back().text.size() == mailtoSize &&
            findings.back().offset + mailtoSize == finding.offset) {
            findings.back().text =
                page.substr(findings.back().offset, end - findings.back().offset);
            return;
        }
        finding.text = page.substr(finding.offset, end - finding.offset);
        findings.push_back(std::move(finding));
    });

    std::vector<std::size_t> hrefs; // offsets of the values read, in either reading
    for (const std::vector<HtmlRun>& runs : reading.Readings()) {
        for (const HtmlRun& run : runs) {
            if (run.kind != HtmlRunKind::AttributeValue || run.attribute != "href" ||
                std::find(hrefs.begin(), hrefs.end(), run.begin) != hrefs.end())
                continue;
            hrefs.push_back(run.begin);
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
            finding.place = HarvestPlace::Attribute;
            finding.attribute = run.attribute;
            findings.push_back(std::move(finding));
        }
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
