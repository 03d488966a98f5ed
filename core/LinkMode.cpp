// Link mode: the pasted anchor, read as a browser reads it, with its target written as
// character references wherever a browser would decode them back.

#include "AsciiText.h"
#include "CharacterReferences.h"
#include "CodeGenerator.h"
#include "HtmlReader.h"
#include "OccurrenceSearch.h"
#include "SizedString.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace quillveil {

namespace {

constexpr std::string_view NoHrefMessage = "Invalid link, please specify 'href' attribute";
constexpr std::string_view NotClosedMessage = "Invalid link, the 'href' value is not closed";

/// Runs whose text a browser decodes and puts in the document: there a reference reads the
/// same as the character it stands for. Script and style never, even where decoded (SVG).
bool IsReplaceable(const HtmlRun& run)
{
    return run.decodesReferences &&
           (run.kind == HtmlRunKind::Text || run.kind == HtmlRunKind::AttributeValue ||
            run.kind == HtmlRunKind::EscapableRawText);
}

const HtmlRun* FirstHref(const HtmlReading& reading)
{
    for (const HtmlRun& run : reading.Runs())
        if (run.kind == HtmlRunKind::AttributeValue && run.decodesReferences &&
            run.attribute == "href")
            return &run;
    return nullptr;
}

/// A stretch of the link to write as references, within one replaceable run.
struct Span {
    std::size_t begin;
    std::size_t end;
};

/// The end of the character of link[pos, end) that starts at `pos`, as HTML5 reads it: a
/// character reference, a line break (CR LF or CR, both read as LF) or a single byte.
std::size_t CharacterEnd(std::string_view link, std::size_t pos, std::size_t end, bool inAttribute,
                         CharacterReference& reference)
{
    if (link[pos] == '&') {
        reference = ReadCharacterReference(link, pos, inAttribute);
        if (reference.length > 0 && pos + reference.length <= end)
            return pos + reference.length;
    }
    reference.length = 0;
    if (link[pos] == '\r')
        return pos + 1 < end && link[pos + 1] == '\n' ? pos + 2 : pos + 1;
    return pos + 1;
}

/// Calls unit(begin, end, decoded) for each character of link[begin, end); `begin` must not
/// lie inside a character.
template <class Unit>
void ForEachUnit(std::string_view link, std::size_t begin, std::size_t end, bool inAttribute,
                 Unit unit)
{
    CharacterReference reference;
    for (std::size_t pos = begin; pos < end;) {
        const std::size_t next = CharacterEnd(link, pos, end, inAttribute, reference);
        if (reference.length > 0)
            unit(pos, next, std::string_view(reference.decoded));
        else if (link[pos] == '\r')
            unit(pos, next, std::string_view("\n"));
        else
            unit(pos, next, link.substr(pos, 1));
        pos = next;
    }
}

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
                const std::size_t end = CharacterEnd(link, pos, run->end, inAttribute, reference);
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
    explicit RunIndex(const HtmlReading& reading)
    {
        for (const HtmlRun& run : reading.Runs())
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

/// The addresses a mailto URL names: the comma-separated list before "?".
std::vector<std::string> MailtoAddresses(std::string_view url)
{
    constexpr std::string_view scheme = "mailto:";
    std::vector<std::string> addresses;
    if (url.size() < scheme.size())
        return addresses;
    for (std::size_t i = 0; i < scheme.size(); ++i)
        if (ToAsciiLower(url[i]) != scheme[i])
            return addresses;
    std::string_view list = url.substr(scheme.size());
    list = list.substr(0, list.find('?'));
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view address = TrimAsciiSpace(list.substr(0, comma));
        if (!address.empty())
            addresses.emplace_back(address);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return addresses;
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
    ForEachUnit(
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

/// What a byte of an occurrence becomes, in the first bytes of an entry, with its length in the
/// last: written for every byte of every occurrence, one fixed-width store each. Characters the
/// browser decodes become decimal references, as EncodeEntities writes them. Bytes of 128 and
/// above stay, as EncodeEntities keeps them, and so do control characters other than white
/// space: parsers differ on what they make of them raw (some replace them), and no harvester
/// looks for them. ("&" and CR, which may start more than one byte, are read apart.)
using ByteEntry = std::uint64_t;

constexpr std::array<ByteEntry, 256> MakeByteTable()
{
    std::array<ByteEntry, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        std::array<char, sizeof(ByteEntry)> entry{};
        std::size_t length = 0;
        const bool control =
            (byte < 0x20 && !IsAsciiSpace(static_cast<char>(byte))) || byte == 0x0B || byte == 0x7F;
        if (control || byte >= 128) {
            entry[length++] = static_cast<char>(byte);
        } else {
            entry[length++] = '&';
            entry[length++] = '#';
            if (byte >= 100)
                entry[length++] = static_cast<char>('0' + byte / 100);
            if (byte >= 10)
                entry[length++] = static_cast<char>('0' + byte / 10 % 10);
            entry[length++] = static_cast<char>('0' + byte % 10);
            entry[length++] = ';';
        }
        entry.back() = static_cast<char>(length);
        table[byte] = std::bit_cast<ByteEntry>(entry);
    }
    return table;
}

constexpr std::array<ByteEntry, 256> ByteTable = MakeByteTable();

/// The code that stands for link[span): each byte as ByteTable has it, references already
/// there as they are, and line breaks as "&#10;", what the browser reads them as. Writes it at
/// `out`, which needs 8 bytes to spare past it (each entry is stored whole); returns its size.
std::size_t EncodeSpan(std::string_view link, const Span& span, bool inAttribute, char* out)
{
    static_assert(std::endian::native == std::endian::little,
                  "an entry's length is read from its last byte");
    std::size_t size = 0;
    CharacterReference reference;
    for (std::size_t pos = span.begin; pos < span.end;) {
        const char c = link[pos];
        if (c == '&' || c == '\r') {
            const std::size_t end = CharacterEnd(link, pos, span.end, inAttribute, reference);
            if (reference.length > 0 || c == '\r') {
                const std::string_view piece =
                    reference.length > 0 ? link.substr(pos, end - pos) : "&#10;";
                std::memcpy(out + size, piece.data(), piece.size());
                size += piece.size();
                pos = end;
                continue;
            }
        }
        const ByteEntry entry = ByteTable[static_cast<unsigned char>(c)];
        std::memcpy(out + size, &entry, sizeof entry);
        size += static_cast<std::size_t>(entry >> 56);
        ++pos;
    }
    return size;
}

/// The link with every span written as references.
std::string WriteCode(std::string_view link, const std::vector<Span>& spans, const RunIndex& runs)
{
    // No byte grows to more than six ("&#126;"), so the code fits in this bound without a pass
    // to measure it; the entry stored whole for the last byte needs its width to spare.
    std::size_t bound = link.size() + sizeof(ByteEntry);
    for (const Span& span : spans)
        bound += 5 * (span.end - span.begin);
    return MakeBoundedString(bound, [&](char* code) {
        char* out = code;
        std::size_t copied = 0;
        for (const Span& span : spans) {
            // Spans are many (one every few bytes of a large anchor) and kept small: whether
            // one lies in an attribute value is looked up, not stored.
            const bool inAttribute =
                runs.Holding(span.begin, span.end)->kind == HtmlRunKind::AttributeValue;
            out = std::copy(link.begin() + static_cast<std::ptrdiff_t>(copied),
                            link.begin() + static_cast<std::ptrdiff_t>(span.begin), out);
            out += EncodeSpan(link, span, inAttribute, out);
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

/// The decoded value of an attribute run.
std::string DecodeValue(std::string_view link, const HtmlRun& run)
{
    std::string decoded;
    ForEachUnit(link, run.begin, run.end, true,
                [&](std::size_t, std::size_t, std::string_view piece) { decoded += piece; });
    return decoded;
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
        else if (problem.kind == HtmlProblemKind::TooManyErrors)
            closers = {"\">", "'>", ">"}; // where the text ends is not known
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
        return GenerateResult::Warning("Link field is empty", EncoderField::Link);
    const HtmlReading reading = ReadHtml(link);
    if (!reading.Problems().empty() &&
        reading.Problems().front().kind == HtmlProblemKind::ParserFailed)
        return GenerateResult::Warning(std::string(UnreadableLinkMessage), EncoderField::Link);
    const HtmlRun* href = FirstHref(reading);
    if (!href)
        return MissingHref(link, reading);
    if (href->begin == href->end)
        return GenerateResult::Code(std::string(link));

    const RunIndex runs(reading);
    const UnitIndex units(link, runs.Runs());
    std::vector<Span> spans;
    FindValueOccurrences(link, link.substr(href->begin, href->end - href->begin), runs, units,
                         spans);
    for (const std::string& address : MailtoAddresses(DecodeValue(link, *href)))
        for (const HtmlRun* run : runs.Runs())
            FindDecodedOccurrences(link, *run, address, spans);
    if (link.find('&') != std::string_view::npos)
        for (Span& span : spans)
            TakeInSuspendedReference(link, *runs.Holding(span.begin, span.end), span);
    MergeSpans(spans);
    return GenerateResult::Code(WriteCode(link, spans, runs));
}

} // namespace quillveil
