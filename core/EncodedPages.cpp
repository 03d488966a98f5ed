#include "EncodedPages.h"

#include "AddressPattern.h"
#include "CharsetConverter.h"
#include "DecodedText.h"
#include "EncodingSniffer.h"
#include "SourcePositions.h"

#include <algorithm>
#include <optional>

namespace quillveil {

namespace {

using Source = SniffedEncoding::Source;

/// Whether every character below 128 is its own byte, so that a page without "@" or
/// "mailto:" among its bytes has none among its characters.
bool IsAsciiCompatible(const TextEncoding& encoding)
{
    return encoding.form == EncodingForm::SingleByte || encoding.form == EncodingForm::MultiByte;
}

/// The encoding browsers read `bytes` in; null where it is none that pages are protected in.
const TextEncoding* ReadingEncoding(std::string_view bytes)
{
    const SniffedEncoding sniffed = SniffEncoding(bytes);
    switch (sniffed.source) {
    case Source::ByteOrderMark:
    case Source::Declaration:
        return sniffed.encoding;
    case Source::None:
        return IsValidUtf8(bytes) ? &Utf8Encoding() : &Windows1252Encoding();
    default:
        return nullptr;
    }
}

ProtectedPageBytes LeftAlone(std::size_t offset, HtmlPosition position, std::string encoding,
                             std::string problem)
{
    ProtectedPageBytes result;
    result.page.outcome = ProtectedPage::Outcome::Unreadable;
    result.page.problem = {HtmlProblemKind::InvalidUtf8, offset};
    result.page.problemPosition = position;
    result.encoding = std::move(encoding);
    result.problem = std::move(problem);
    return result;
}

/// A UTF-8 page, read as it stands after its byte order mark of `bom` bytes.
ProtectedPageBytes ProtectUtf8(std::string_view bytes, std::size_t bom)
{
    const std::string_view body = bytes.substr(bom);
    ProtectedPageBytes result;
    result.encoding = Utf8Encoding().name;
    result.page = ProtectPage(body);
    ProtectedPage& page = result.page;
    if (page.outcome == ProtectedPage::Outcome::Unreadable) {
        result.problem = DescribeProblem(page.problem.kind);
        page.problem.offset += bom;
    }
    for (PageChange& change : page.changes) {
        result.changedText.emplace_back(body.substr(change.begin, change.end - change.begin));
        change.begin += bom;
        change.end += bom;
    }
    if (page.outcome == ProtectedPage::Outcome::Changed)
        page.text.insert(0, bytes.substr(0, bom));
    return result;
}

/// The length of the UTF-8 character that starts with `lead`.
std::size_t Utf8Length(char lead)
{
    const auto byte = static_cast<unsigned char>(lead);
    return byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
}

/// Writes a protected page back in the encoding its text was decoded from: the original bytes
/// between changes, and in each change the bytes of ProtectPage's replacement.
class PageEncoder {
public:
    PageEncoder(std::string_view body, const DecodedText& decoded, const TextEncoding& encoding)
        : m_body(body), m_decoded(decoded), m_encoding(encoding)
    {}

    /// The bytes of the page, after `prefix`, with `changes` made as in `text`; nothing when a
    /// replacement is not where it should be in `text`, or holds a character the encoding
    /// cannot write (then Failed() says which).
    std::optional<std::string> Encode(std::string_view prefix, const std::string& text,
                                      const std::vector<PageChange>& changes)
    {
        const std::string& source = m_decoded.Text();
        std::string bytes;
        bytes.reserve(prefix.size() + m_body.size() + m_body.size() / 8);
        bytes += prefix;
        std::size_t copied = 0;  // in m_body
        std::size_t read = 0;    // in source
        std::size_t written = 0; // in text
        for (const PageChange& change : changes) {
            m_failed = &change;
            const std::size_t begin = m_decoded.OriginalBegin(change.begin);
            if (begin < copied || change.begin < read)
                return std::nullopt;
            bytes += m_body.substr(copied, begin - copied);
            written += change.begin - read;
            // Found in the text by what ProtectPage wrote there; the whole page is checked
            // against the text afterwards.
            const std::string replacement = ProtectedForm(source, change);
            if (written > text.size() ||
                text.compare(written, replacement.size(), replacement) != 0 ||
                !EncodeReplacement(change, replacement, bytes))
                return std::nullopt;
            written += replacement.size();
            copied = m_decoded.OriginalEnd(change.end);
            read = change.end;
        }
        bytes += m_body.substr(copied);
        m_failed = nullptr;
        return bytes;
    }

    const PageChange* Failed() const { return m_failed; }

private:
    /// Appends `replacement` of `change`: its ASCII characters in the encoding, each of the
    /// others as the bytes it has in the change, or else (written there as a reference, in a
    /// mailto URL) as the encoding writes it.
    bool EncodeReplacement(const PageChange& change, std::string_view replacement,
                           std::string& bytes)
    {
        const std::string_view source = m_decoded.Text();
        std::size_t kept = change.begin; // the next character of the change to look at
        const auto skipAscii = [&] {
            while (kept < change.end && Utf8Length(source[kept]) == 1)
                ++kept;
        };
        for (std::size_t pos = 0; pos < replacement.size();) {
            const std::size_t length = Utf8Length(replacement[pos]);
            if (length == 1) {
                bytes += AsciiBytes(m_encoding, replacement[pos++]);
                continue;
            }
            const std::string_view character = replacement.substr(pos, length);
            skipAscii();
            if (kept < change.end && source.substr(kept, Utf8Length(source[kept])) == character) {
                const std::size_t begin = m_decoded.OriginalBegin(kept);
                bytes += m_body.substr(begin, m_decoded.OriginalEnd(kept + length) - begin);
                kept += length;
            } else if (!EncodeCharacter(character, bytes)) {
                return false;
            }
            pos += length;
        }
        skipAscii();
        return kept == change.end;
    }

    bool EncodeCharacter(std::string_view character, std::string& bytes)
    {
        if (!m_encoder)
            m_encoder.emplace(m_encoding.iconvName, "UTF-8");
        if (!m_encoder->IsOpen())
            return false;
        char out[16];
        const CharsetConverter::Step step = m_encoder->Convert(character, out, sizeof out);
        // A stateful encoding returns to ASCII, where the change goes on.
        const CharsetConverter::Step back =
            m_encoder->Convert({}, out + step.produced, sizeof out - step.produced);
        if (step.error != 0 || step.consumed != character.size())
            return false;
        bytes.append(out, step.produced + back.produced);
        return true;
    }

    std::string_view m_body;
    const DecodedText& m_decoded;
    const TextEncoding& m_encoding;
    std::optional<CharsetConverter> m_encoder;
    const PageChange* m_failed = nullptr;
};

/// A page read in `encoding` (not UTF-8) after its byte order mark of `bom` bytes.
ProtectedPageBytes ProtectDecoded(std::string_view bytes, std::size_t bom,
                                  const TextEncoding& encoding)
{
    const std::string_view body = bytes.substr(bom);
    ProtectedPageBytes result;
    result.encoding = encoding.name;
    if (IsAsciiCompatible(encoding) && !MayHoldAddress(body))
        return result;
    const Decoding decoding = Decode(body, encoding, InvalidBytes::Stop);
    const DecodedText& decoded = decoding.text;
    if (!decoding.complete) {
        return LeftAlone(bom + decoding.invalidOffset,
                         SourcePositions(decoded.Text())(decoded.Text().size()), result.encoding,
                         "not valid " + result.encoding);
    }
    ProtectedPage& page = result.page;
    page = ProtectPage(decoded.Text());
    if (page.outcome == ProtectedPage::Outcome::Unreadable) {
        result.problem = DescribeProblem(page.problem.kind);
        page.problem.offset = bom + decoded.OriginalBegin(page.problem.offset);
    }
    if (page.outcome != ProtectedPage::Outcome::Changed)
        return result;

    PageEncoder encoder(body, decoded, encoding);
    std::optional<std::string> protectedBytes =
        encoder.Encode(bytes.substr(0, bom), page.text, page.changes);
    // Should the new bytes read otherwise than the text, or be read in another encoding (a
    // declaration pushed past the first 1,024 bytes), the page is left alone.
    if (!protectedBytes || ReadingEncoding(*protectedBytes) != &encoding ||
        DecodeText(std::string_view(*protectedBytes).substr(bom), encoding) != page.text) {
        const PageChange& failed = encoder.Failed() ? *encoder.Failed() : page.changes.front();
        return LeftAlone(
            bom + decoded.OriginalBegin(failed.begin), failed.position, result.encoding,
            "cannot be protected in " + result.encoding + " without changing how it reads");
    }
    page.text = std::move(*protectedBytes);
    for (PageChange& change : page.changes) {
        result.changedText.emplace_back(
            decoded.Text().substr(change.begin, change.end - change.begin));
        change.begin = bom + decoded.OriginalBegin(change.begin);
        change.end = bom + decoded.OriginalEnd(change.end);
    }
    return result;
}

/// FindHarvestable of a page read in `encoding` (not UTF-8) after its byte order mark.
std::vector<HarvestFinding> FindDecoded(std::string_view bytes, std::size_t bom,
                                        const TextEncoding& encoding)
{
    const std::string_view body = bytes.substr(bom);
    if (IsAsciiCompatible(encoding) && !MayHoldFinding(body))
        return {};
    const Decoding decoding = Decode(body, encoding, InvalidBytes::Replace);
    std::vector<HarvestFinding> findings = FindHarvestable(decoding.text.Text());
    for (HarvestFinding& finding : findings)
        finding.offset = bom + decoding.text.OriginalBegin(finding.offset);
    return findings;
}

} // namespace

ProtectedPageBytes ProtectPageBytes(std::string_view bytes)
{
    const SniffedEncoding sniffed = SniffEncoding(bytes);
    const bool refused = sniffed.source == Source::StatefulDeclaration ||
                         (sniffed.source == Source::Declaration &&
                          sniffed.encoding->form == EncodingForm::Replacement);
    if (refused)
        return LeftAlone(sniffed.declarationOffset,
                         SourcePositions(bytes)(sniffed.declarationOffset), sniffed.label,
                         "declares " + sniffed.label + ", an encoding browsers do not read");
    if (sniffed.source == Source::Utf16WithoutMark) {
        const std::string name(sniffed.encoding->name);
        return LeftAlone(0, {}, name,
                         "looks like " + name +
                             " without a byte order mark, which browsers do not read as UTF-16");
    }
    const TextEncoding& encoding = sniffed.encoding ? *sniffed.encoding : Utf8Encoding();
    if (encoding.form != EncodingForm::Utf8)
        return ProtectDecoded(bytes, sniffed.bomSize, encoding);
    ProtectedPageBytes result = ProtectUtf8(bytes, sniffed.bomSize);
    // The reader has just found out whether the page is UTF-8.
    if (sniffed.source == Source::None &&
        result.page.outcome == ProtectedPage::Outcome::Unreadable &&
        result.page.problem.kind == HtmlProblemKind::InvalidUtf8)
        return ProtectDecoded(bytes, 0, Windows1252Encoding());
    // Seven-bit, a page in ISO-2022-JP or its kin is valid UTF-8, and browsers that guess
    // encodings read an undeclared one as ISO-2022-JP: its escape sequences ("ESC $ B")
    // mark it, and editing it as UTF-8 could rewrite bytes of its double-byte runs.
    if (const std::size_t escape = bytes.find("\x1B$");
        sniffed.source == Source::None && result.page.outcome == ProtectedPage::Outcome::Changed &&
        escape != std::string_view::npos)
        return LeftAlone(escape, SourcePositions(bytes)(escape), "ISO-2022-JP",
                         "holds ISO-2022 escape sequences but declares no encoding");
    return result;
}

std::vector<HarvestFinding> FindHarvestableBytes(std::string_view bytes)
{
    const SniffedEncoding sniffed = SniffEncoding(bytes);
    switch (sniffed.source) {
    case Source::ByteOrderMark:
        if (sniffed.encoding->form != EncodingForm::Utf8)
            return FindDecoded(bytes, sniffed.bomSize, *sniffed.encoding);
        break;
    case Source::Declaration:
        if (sniffed.encoding->form != EncodingForm::Utf8 &&
            sniffed.encoding->form != EncodingForm::Replacement)
            return FindDecoded(bytes, 0, *sniffed.encoding);
        break;
    case Source::Utf16WithoutMark: {
        std::vector<HarvestFinding> findings = FindDecoded(bytes, 0, *sniffed.encoding);
        for (HarvestFinding& finding : findings) {
            finding.place = HarvestPlace::Unread;
            finding.attribute.clear();
        }
        return findings;
    }
    default:
        break;
    }
    std::vector<HarvestFinding> findings = FindHarvestable(bytes.substr(sniffed.bomSize));
    for (HarvestFinding& finding : findings)
        finding.offset += sniffed.bomSize;
    // A page that is not UTF-8 yields the same findings read as windows-1252, where their
    // columns count its characters: it is decoded only when there are findings to place.
    if (sniffed.source == Source::None && !findings.empty() && !IsValidUtf8(bytes))
        return FindDecoded(bytes, 0, Windows1252Encoding());
    return findings;
}

} // namespace quillveil
