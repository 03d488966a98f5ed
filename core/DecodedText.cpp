#include "DecodedText.h"

#include "CharacterReferences.h"
#include "CharsetConverter.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace quillveil {

void DecodedText::Add(std::string_view utf8, std::size_t originalSize)
{
    const std::size_t decoded = m_text.size();
    const std::size_t original = m_originalSize;
    m_text += utf8;
    m_originalSize += originalSize;
    if (!m_mapped || (utf8.size() == 1 && originalSize == 1))
        return;
    if (!m_pieces.empty()) {
        Piece& last = m_pieces.back();
        if (last.decodedSize == utf8.size() && last.originalSize == originalSize &&
            last.DecodedEnd() == decoded && last.OriginalEnd() == original) {
            ++last.count;
            return;
        }
    }
    m_pieces.push_back({decoded, original, 1, static_cast<std::uint8_t>(utf8.size()),
                        static_cast<std::uint8_t>(originalSize)});
}

std::size_t DecodedText::Original(const Piece& piece, std::size_t offset)
{
    if (offset < piece.DecodedEnd())
        return piece.original + (offset - piece.decoded) / piece.decodedSize * piece.originalSize;
    return piece.OriginalEnd() + (offset - piece.DecodedEnd());
}

std::size_t DecodedText::OriginalBegin(std::size_t offset) const
{
    // The last piece that starts at or before the character: bytes switching state right
    // before it come first.
    const auto after =
        std::upper_bound(m_pieces.begin(), m_pieces.end(), offset,
                         [](std::size_t at, const Piece& piece) { return at < piece.decoded; });
    return after == m_pieces.begin() ? offset : Original(*std::prev(after), offset);
}

std::size_t DecodedText::OriginalEnd(std::size_t offset) const
{
    const auto at =
        std::lower_bound(m_pieces.begin(), m_pieces.end(), offset,
                         [](const Piece& piece, std::size_t end) { return piece.decoded < end; });
    return at == m_pieces.begin() ? offset : Original(*std::prev(at), offset);
}

namespace {

/// The first byte at or after `pos` that is not ASCII, or the end.
std::size_t SkipAscii(std::string_view bytes, std::size_t pos)
{
    while (pos < bytes.size() && static_cast<unsigned char>(bytes[pos]) < 0x80)
        ++pos;
    return pos;
}

} // namespace

/// Decodes bytes into a DecodedText; a friend of it.
class TextDecoder {
public:
    TextDecoder(std::string_view bytes, const TextEncoding& encoding, InvalidBytes invalid,
                bool mapped)
        : m_bytes(bytes), m_encoding(encoding), m_invalid(invalid)
    {
        m_decoding.text.m_mapped = mapped;
    }

    static std::string TakeText(DecodedText& text) { return std::move(text.m_text); }

    Decoding Run()
    {
        if (m_encoding.form == EncodingForm::SingleByte)
            DecodeSingleBytes();
        else
            DecodeCharacters();
        return std::move(m_decoding);
    }

private:
    /// Each byte on its own: a decoder that joins a letter and an accent after it into one
    /// character (windows-1258) reads them apart, as browsers do.
    void DecodeSingleBytes()
    {
        std::array<std::string, 128> high;
        CharsetConverter converter("UTF-8", m_encoding.iconvName);
        for (std::size_t byte = 0x80; converter.IsOpen() && byte <= 0xFF; ++byte) {
            const char in = static_cast<char>(byte);
            char out[16];
            converter.Reset();
            const CharsetConverter::Step step = converter.Convert({&in, 1}, out, sizeof out);
            const CharsetConverter::Step held =
                converter.Convert({}, out + step.produced, sizeof out - step.produced);
            if (step.error == 0 && step.consumed == 1 && step.produced + held.produced > 0)
                high[byte - 0x80].assign(out, step.produced + held.produced);
            else if (m_encoding.name.starts_with("windows-") && byte < 0xA0)
                // The encoding standard gives the bytes these code pages leave unassigned
                // among 0x80..0x9F the control character of the same number.
                AppendUtf8(high[byte - 0x80], static_cast<char32_t>(byte));
        }
        DecodedText& text = m_decoding.text;
        // A piece at most for each byte above 127, and up to three bytes of text for it.
        const auto highBytes =
            static_cast<std::size_t>(std::count_if(m_bytes.begin(), m_bytes.end(), [](char c) {
                return static_cast<unsigned char>(c) >= 0x80;
            }));
        if (text.m_mapped)
            text.m_pieces.reserve(highBytes);
        text.m_text.reserve(m_bytes.size() + 2 * highBytes);
        for (std::size_t pos = 0; pos < m_bytes.size(); ++pos) {
            const std::size_t ascii = SkipAscii(m_bytes, pos);
            AddAscii(ascii - pos);
            if ((pos = ascii) == m_bytes.size())
                break;
            const std::string_view character =
                high[static_cast<unsigned char>(m_bytes[pos]) - 0x80];
            if (character.empty() && !Invalid(pos))
                return;
            text.Add(character.empty() ? "\uFFFD" : character, 1);
        }
    }

    /// A character at a time, as each may take several bytes, or bytes that only switch state.
    void DecodeCharacters()
    {
        CharsetConverter converter("UTF-32LE", m_encoding.iconvName);
        if (!converter.IsOpen()) {
            Invalid(0);
            return;
        }
        const bool asciiCompatible = m_encoding.form == EncodingForm::MultiByte;
        bool decoded = false; // since the last look at what the converter holds back
        // The converter is given a few bytes at a time: given all the rest, the C library
        // converts ahead into a buffer of its own and, the output being one character, undoes
        // all but that, at a cost that grows with the buffer. No character of these encodings,
        // with the escape sequence before it, takes more than the longest window, so no piece
        // of the text counts more bytes than a Piece holds.
        constexpr std::size_t ShortWindow = 8;
        constexpr std::size_t LongestWindow = 64;
        std::size_t window = ShortWindow;
        for (std::size_t pos = 0; pos < m_bytes.size();) {
            if (asciiCompatible && static_cast<unsigned char>(m_bytes[pos]) < 0x80) {
                if (decoded)
                    AddHeldBack(converter);
                decoded = false;
                const std::size_t ascii = SkipAscii(m_bytes, pos);
                AddAscii(ascii - pos);
                pos = ascii;
                continue;
            }
            unsigned char out[4];
            const std::string_view in = m_bytes.substr(pos, window);
            const CharsetConverter::Step step =
                converter.Convert(in, reinterpret_cast<char*>(out), sizeof out);
            if (step.produced == sizeof out) {
                AddCharacter(out, pos, step.consumed);
                pos += step.consumed;
                decoded = true;
                window = ShortWindow;
                continue;
            }
            const bool cutByWindow = step.error == EINVAL && pos + in.size() < m_bytes.size();
            if (step.consumed > 0)
                m_decoding.text.Add({}, step.consumed);
            pos += step.consumed;
            if ((step.error == 0 || cutByWindow) && step.consumed > 0)
                continue;
            if (cutByWindow && window < LongestWindow) {
                window *= 2;
                continue;
            }
            // Invalid, cut off, or a character that does not fit: nothing more comes of it.
            if (!Invalid(pos))
                return;
            m_decoding.text.Add("\uFFFD", 1);
            ++pos;
        }
        AddHeldBack(converter);
    }

    /// The characters the converter holds back: the second of two that one pair of bytes
    /// makes (Big5), or one it waits to combine with another.
    void AddHeldBack(CharsetConverter& converter)
    {
        unsigned char out[4];
        while (converter.Convert({}, reinterpret_cast<char*>(out), sizeof out).produced ==
               sizeof out)
            AddCharacter(out, m_decoding.text.m_originalSize, 0);
    }

    void AddAscii(std::size_t size)
    {
        DecodedText& text = m_decoding.text;
        text.m_text.append(m_bytes.substr(text.m_originalSize, size));
        text.m_originalSize += size;
    }

    /// Adds the character `utf32` decoded from the `size` bytes at `pos`. An ASCII character
    /// keeps its own bytes apart from an escape sequence read with it.
    void AddCharacter(const unsigned char* utf32, std::size_t pos, std::size_t size)
    {
        const char32_t codePoint =
            static_cast<char32_t>(utf32[0]) | static_cast<char32_t>(utf32[1]) << 8 |
            static_cast<char32_t>(utf32[2]) << 16 | static_cast<char32_t>(utf32[3]) << 24;
        std::string utf8;
        AppendUtf8(utf8, codePoint);
        DecodedText& text = m_decoding.text;
        const std::string_view original = m_bytes.substr(pos, size);
        const std::string unit =
            codePoint < 0x80 ? AsciiBytes(m_encoding, static_cast<char>(codePoint)) : "";
        if (unit.empty() || original.size() <= unit.size()) {
            text.Add(utf8, size);
        } else if (original.ends_with(unit)) {
            text.Add({}, size - unit.size());
            text.Add(utf8, unit.size());
        } else if (original.starts_with(unit)) {
            text.Add(utf8, unit.size());
            text.Add({}, size - unit.size());
        } else {
            text.Add(utf8, size);
        }
    }

    /// Notes bytes at `pos` that are not valid in the encoding; whether to go on.
    bool Invalid(std::size_t pos)
    {
        if (m_decoding.complete) {
            m_decoding.complete = false;
            m_decoding.invalidOffset = pos;
        }
        return m_invalid == InvalidBytes::Replace;
    }

    std::string_view m_bytes;
    const TextEncoding& m_encoding;
    InvalidBytes m_invalid;
    Decoding m_decoding;
};

Decoding Decode(std::string_view bytes, const TextEncoding& encoding, InvalidBytes invalid)
{
    return TextDecoder(bytes, encoding, invalid, true).Run();
}

std::optional<std::string> DecodeText(std::string_view bytes, const TextEncoding& encoding)
{
    Decoding decoding = TextDecoder(bytes, encoding, InvalidBytes::Stop, false).Run();
    if (!decoding.complete)
        return std::nullopt;
    return TextDecoder::TakeText(decoding.text);
}

std::size_t FirstInvalidUtf8(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    for (std::size_t pos = 0; pos < text.size();) {
        // Most pages are mostly ASCII: eight bytes at a time.
        std::uint64_t word = 0x8080808080808080;
        if (pos + 8 <= text.size())
            std::memcpy(&word, text.data() + pos, sizeof word);
        if ((word & 0x8080808080808080) == 0) {
            pos += 8;
            continue;
        }
        const unsigned char lead = byte(pos);
        const std::size_t length = lead < 0x80                    ? 1
                                   : lead >= 0xC2 && lead <= 0xDF ? 2
                                   : lead >= 0xE0 && lead <= 0xEF ? 3
                                   : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                  : 0;
        // The second byte's range rules out overlong forms, surrogates and code points past
        // U+10FFFF.
        const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        if (length == 0 || pos + length > text.size())
            return pos;
        for (std::size_t i = 1; i < length; ++i)
            if (byte(pos + i) < (i == 1 ? low : 0x80) || byte(pos + i) > (i == 1 ? high : 0xBF))
                return pos;
        pos += length;
    }
    return std::string_view::npos;
}

bool IsValidUtf8(std::string_view bytes)
{
    return FirstInvalidUtf8(bytes) == std::string_view::npos;
}

} // namespace quillveil
