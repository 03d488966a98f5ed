// Link mode: the pasted anchor, read as a browser reads it, with its target written as
// character references wherever a browser would decode them back.

#include "AddressPattern.h"
#include "AsciiText.h"
#include "CharacterEncoders.h"
#include "CharacterReferences.h"
#include "CodeGenerator.h"
#include "HtmlReader.h"
#include "MailtoLinks.h"
#include "OccurrenceSearch.h"
#include "PageProtector.h"
#include "ReadBack.h"
#include "SizedString.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace quillveil {

namespace {

constexpr std::string_view EmptyMessage = Translatable("Link field is empty");
constexpr std::string_view NoHrefMessage =
    Translatable("Invalid link, please specify 'href' attribute");
constexpr std::string_view NotClosedMessage =
    Translatable("Invalid link, the 'href' value is not closed");
constexpr std::string_view ReadsDifferentlyMessage =
    Translatable("Invalid link, protecting it would change how it reads");

/// Runs whose text a browser decodes and puts in the document: there a reference reads the
/// same as the character it stands for. Script and style never, even where decoded (SVG).
bool IsReplaceable(const HtmlRun& run)
{
    return run.decodesReferences &&
           (run.kind == HtmlRunKind::Text || run.kind == HtmlRunKind::AttributeValue ||
            run.kind == HtmlRunKind::EscapableRawText);
}

/// The first href as most browsers read the link: they run scripts.
const HtmlRun* FirstHref(const HtmlReading& reading)
{
    for (const HtmlRun& run : reading.ScriptingRuns())
        if (run.kind == HtmlRunKind::AttributeValue && run.attribute == "href")
            return &run;
    return nullptr;
}

/// A stretch of the link to write as references, within one replaceable run.
struct Span {
    std::size_t begin;
    std::size_t end;
};

/// The characters of more than one byte in the replaceable runs: an occurrence must neither
/// start nor end inside one.
class UnitIndex {
public:
    UnitIndex(std::string_view link, const std::vector<const HtmlRun*>& runs)
    {
        CharacterReference reference;
        for (const HtmlRun* run : runs) {
            const bool inAttribute = run->kind == HtmlRunKind::AttributeValue;
            // Only "&" and CR start a character of more than one byte: leap from one to the
            // next, each found by its own search.
            const std::string_view text = link.substr(0, run->end);
            std::size_t amp = text.find('&', run->begin);
            std::size_t cr = text.find('\r', run->begin);
            while (amp != std::string_view::npos || cr != std::string_view::npos) {
                const std::size_t pos = std::min(amp, cr);
                const std::size_t end =
                    DecodedCharacterEnd(link, pos, run->end, inAttribute, reference);
                if (end - pos > 1)
                    m_units.push_back({pos, end});
                if (amp < end)
                    amp = text.find('&', end);
                if (cr < end)
                    cr = text.find('\r', end);
            }
        }
    }

    /// Whether `pos` lies strictly inside a character.
    bool Splits(std::size_t pos) const
    {
        const auto after =
            std::upper_bound(m_units.begin(), m_units.end(), pos,
                             [](std::size_t p, const Range& r) { return p < r.begin; });
        return after != m_units.begin() && std::prev(after)->begin < pos &&
               pos < std::prev(after)->end;
    }

private:
    struct Range {
        std::size_t begin;
        std::size_t end;
    };
    std::vector<Range> m_units;
};

/// The runs to replace in, in source order, and the one holding a position.
class RunIndex {
public:
    explicit RunIndex(const std::vector<HtmlRun>& runs)
    {
        for (const HtmlRun& run : runs)
            if (IsReplaceable(run))
                m_runs.push_back(&run);
    }

    const std::vector<const HtmlRun*>& Runs() const { return m_runs; }

    /// The run that holds all of [begin, end), or null.
    const HtmlRun* Holding(std::size_t begin, std::size_t end) const
    {
        const auto after =
            std::upper_bound(m_runs.begin(), m_runs.end(), begin,
                             [](std::size_t p, const HtmlRun* r) { return p < r->begin; });
        if (after == m_runs.begin())
            return nullptr;
        const HtmlRun* run = *std::prev(after);
        return end <= run->end ? run : nullptr;
    }

private:
    std::vector<const HtmlRun*> m_runs;
};

/// The occurrences of the value's source text: from left to right, without overlap, each
/// within one replaceable run and splitting no character.
void FindValueOccurrences(std::string_view link, std::string_view value, const RunIndex& runs,
                          const UnitIndex& units, std::vector<Span>& spans)
{
    std::size_t takenUntil = 0;
    ForEachOccurrence(link, value, [&](std::size_t start) {
        const std::size_t end = start + value.size();
        if (start < takenUntil)
            return;
        const HtmlRun* run = runs.Holding(start, end);
        if (!run || units.Splits(start) || units.Splits(end))
            return;
        spans.push_back({start, end});
        takenUntil = end;
    });
}

/// The places where `address` stands in the decoded text of a run, in any letter case (a
/// harvester reads "ME@X.ORG" as well), as spans of whole characters of the source.
void FindDecodedOccurrences(std::string_view link, const HtmlRun& run, std::string_view address,
                            std::vector<Span>& spans)
{
    OccurrenceMatcher matcher(address, OccurrenceMatcher::IgnoreAsciiCase);
    const bool inAttribute = run.kind == HtmlRunKind::AttributeValue;
    const std::string_view source = link.substr(run.begin, run.end - run.begin);
    if (source.find_first_of("&\r") == std::string_view::npos) {
        // Most text holds neither references nor CR: there it is its own decoding.
        matcher.Search(source, [&](std::size_t at) {
            spans.push_back({run.begin + at, run.begin + at + address.size()});
        });
        return;
    }
    // Where each of the last characters began, in decoded bytes and in the source.
    struct Start {
        std::size_t decoded;
        std::size_t source;
    };
    std::vector<Start> starts;
    std::size_t decodedSize = 0;
    ForEachDecodedCharacter(
        link, run.begin, run.end, inAttribute,
        [&](std::size_t begin, std::size_t end, std::string_view decoded) {
            // Keep only the starts an occurrence ending here or later can begin at.
            if (starts.size() > 2 * address.size()) {
                const std::size_t horizon = decodedSize - std::min(decodedSize, address.size());
                const auto keep = std::find_if(starts.begin(), starts.end(), [&](const Start& s) {
                    return s.decoded >= horizon;
                });
                starts.erase(starts.begin(), keep);
            }
            starts.push_back({decodedSize, begin});
            // An occurrence counts only where it ends with a whole character.
            bool found = false;
            for (std::size_t i = 0; i < decoded.size(); ++i)
                found = matcher.Feed(decoded[i]) && i + 1 == decoded.size();
            decodedSize += decoded.size();
            if (!found)
                return;
            const std::size_t first = decodedSize - address.size();
            const auto start = std::find_if(starts.begin(), starts.end(),
                                            [&](const Start& s) { return s.decoded == first; });
            if (start != starts.end())
                spans.push_back({start->source, end});
        });
}

/// A span that starts right after "&" and letters which, followed by a letter or "=", were no
/// reference in an attribute ("&amp=" in a URL), would make them one once its first character
/// is written as "&#...;". Such a span takes them in, written as references of their own.
void TakeInSuspendedReference(std::string_view link, const HtmlRun& run, Span& span)
{
    const std::size_t earliest =
        std::max(run.begin, span.begin - std::min<std::size_t>(span.begin, 40));
    std::size_t amp = span.begin;
    while (amp > earliest && (IsAsciiLetter(link[amp - 1]) || IsAsciiDigit(link[amp - 1])))
        --amp;
    if (amp == span.begin || amp == earliest || link[amp - 1] != '&')
        return;
    --amp;
    std::string changed(link.substr(amp, span.begin - amp));
    changed += '&';
    const bool inAttribute = run.kind == HtmlRunKind::AttributeValue;
    const CharacterReference before = ReadCharacterReference(link, amp, inAttribute);
    const CharacterReference after = ReadCharacterReference(changed, 0, inAttribute);
    if (before.length != after.length || before.decoded != after.decoded)
        span.begin = amp;
}

/// Whether a span of the link lies in an attribute value, in the first reading that holds it
/// in one run. (Spans are many, one every few bytes of a large anchor, and kept small: this
/// is looked up, not stored.)
bool InAttribute(const std::vector<RunIndex>& readings, const Span& span)
{
    for (const RunIndex& runs : readings)
        if (const HtmlRun* run = runs.Holding(span.begin, span.end))
            return run->kind == HtmlRunKind::AttributeValue;
    return false;
}

/// The link with every span written as references.
std::string WriteCode(std::string_view link, const std::vector<Span>& spans,
                      const std::vector<RunIndex>& readings)
{
    // No byte grows to more than six ("&#126;"), so the code fits in this bound without a pass
    // to measure it; whole words are stored past the last byte written.
    std::size_t bound = link.size() + 8;
    for (const Span& span : spans)
        bound += 5 * (span.end - span.begin);
    return MakeBoundedString(bound, [&](char* code) {
        char* out = code;
        std::size_t copied = 0;
        for (const Span& span : spans) {
            out = std::copy(link.begin() + static_cast<std::ptrdiff_t>(copied),
                            link.begin() + static_cast<std::ptrdiff_t>(span.begin), out);
            out =
                WriteEncodedInMarkup(link, span.begin, span.end, InAttribute(readings, span), out);
            copied = span.end;
        }
        out = std::copy(link.begin() + static_cast<std::ptrdiff_t>(copied), link.end(), out);
        return static_cast<std::size_t>(out - code);
    });
}

/// Sorts the spans and joins those that overlap.
void MergeSpans(std::vector<Span>& spans)
{
    const auto earlier = [](const Span& a, const Span& b) { return a.begin < b.begin; };
    if (!std::is_sorted(spans.begin(), spans.end(), earlier))
        std::sort(spans.begin(), spans.end(), earlier);
    std::size_t kept = 0;
    for (const Span& span : spans) {
        if (kept > 0 && span.begin < spans[kept - 1].end)
            spans[kept - 1].end = std::max(spans[kept - 1].end, span.end);
        else
            spans[kept++] = span;
    }
    spans.resize(kept);
}

/// Whether writing the spans as references may leave part of a longer word readable as an
/// address: "me@x.bmp" (a file name) with its "p" written out reads "me@x.bm". That takes an
/// "@" in the address bytes next to a span, up to the next span.
bool MayUncoverAddress(std::string_view link, const std::vector<Span>& spans)
{
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const std::size_t before = i == 0 ? 0 : spans[i - 1].end;
        for (std::size_t pos = spans[i].begin; pos > before && IsAddressByte(link[pos - 1]);)
            if (link[--pos] == '@')
                return true;
        const std::size_t after = i + 1 == spans.size() ? link.size() : spans[i + 1].begin;
        for (std::size_t pos = spans[i].end; pos < after && IsAddressByte(link[pos]); ++pos)
            if (link[pos] == '@')
                return true;
    }
    return false;
}

/// Why a link without a readable href has none: a first href whose value, or whose tag,
/// the text cuts off, is one a browser drops with the rest of the text.
GenerateResult MissingHref(std::string_view link, const HtmlReading& reading)
{
    for (const HtmlProblem& problem : reading.Problems()) {
        std::vector<std::string_view> closers;
        if (problem.kind == HtmlProblemKind::EndsInsideQuotedValue)
            closers = {problem.quote == '"' ? "\">" : "'>"};
        else if (problem.kind == HtmlProblemKind::EndsInsideTag)
            closers = {">"};
        // Read again with the tag closed: an href it then has is the one cut off.
        for (const std::string_view closer : closers)
            if (FirstHref(ReadHtml(std::string(link).append(closer))))
                return GenerateResult::Warning(std::string(NotClosedMessage), EncoderField::Link);
    }
    return GenerateResult::Warning(std::string(NoHrefMessage), EncoderField::Link);
}

} // namespace

GenerateResult GenerateLinkCode(const EncoderForm& form)
{
    const std::string_view link = TrimAsciiSpace(form.link);
    if (link.empty())
        return GenerateResult::Warning(std::string(EmptyMessage), EncoderField::Link);
    const HtmlReading reading = ReadHtml(link);
    const HtmlRun* href = FirstHref(reading);
    if (!href)
        return MissingHref(link, reading);

    // The value wherever it stands and, for a mailto link, every address it names, in each
    // reading of the link; then, as protect would, every other address and "mailto:".
    const std::string_view value = link.substr(href->begin, href->end - href->begin);
    const std::string url = DecodeAttributeValue(value);
    const std::vector<std::string> recipients =
        IsMailtoUrl(url) ? MailtoRecipients(url) : std::vector<std::string>();
    std::vector<RunIndex> readings;
    for (const std::vector<HtmlRun>& runs : reading.Readings())
        readings.emplace_back(runs);
    std::vector<Span> spans;
    for (const RunIndex& runs : readings) {
        const std::size_t first = spans.size();
        const UnitIndex units(link, runs.Runs());
        if (!value.empty())
            FindValueOccurrences(link, value, runs, units, spans);
        for (const std::string& address : recipients)
            for (const HtmlRun* run : runs.Runs())
                FindDecodedOccurrences(link, *run, address, spans);
        if (link.find('&') != std::string_view::npos)
            for (std::size_t i = first; i < spans.size(); ++i)
                TakeInSuspendedReference(link, *runs.Holding(spans[i].begin, spans[i].end),
                                         spans[i]);
    }
    for (const PageChange& change : ChangesToProtect(link, reading))
        spans.push_back({change.begin, change.end});
    if (spans.empty())
        return GenerateResult::Code(std::string(link));
    MergeSpans(spans);
    std::string code = WriteCode(link, spans, readings);
    if (MayUncoverAddress(link, spans)) {
        // Protect what the code shows as a harvester reads it, as protect would a page.
        ProtectedPage uncovered = ProtectPage(code);
        if (uncovered.outcome == ProtectedPage::Outcome::Unreadable)
            return GenerateResult::Warning(std::string(ReadsDifferentlyMessage),
                                           EncoderField::Link);
        if (uncovered.outcome == ProtectedPage::Outcome::Changed)
            code = std::move(uncovered.text);
    }
    if (!ReadsBackAlike(reading, code))
        return GenerateResult::Warning(std::string(ReadsDifferentlyMessage), EncoderField::Link);
    return GenerateResult::Code(std::move(code));
}

} // namespace quillveil
