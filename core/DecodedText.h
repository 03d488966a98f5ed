#pragma once

#include "TextEncodings.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillveil {

/// A text decoded to UTF-8, and where each of its characters came from in the bytes it was
/// decoded from. Offsets asked about must start characters of the text (or be its size).
class DecodedText {
public:
    const std::string& Text() const { return m_text; }

    /// Where the bytes of the character at `offset` begin, after any bytes before it that only
    /// switch the decoder's state (an escape sequence).
    std::size_t OriginalBegin(std::size_t offset) const;
    /// Where the bytes of the character that ends at `offset` end, before any bytes after it
    /// that only switch state.
    std::size_t OriginalEnd(std::size_t offset) const;

private:
    friend class TextDecoder;

    /// `count` characters in a row, each of `decodedSize` bytes of the text and
    /// `originalSize` bytes of the original. Between pieces, a byte of the text is a byte of
    /// the original (ASCII in most encodings), so mostly-ASCII pages need few pieces. A piece
    /// of no decoded size holds bytes that only switch state.
    struct Piece {
        std::size_t decoded;
        std::size_t original;
        std::size_t count;
        std::uint8_t decodedSize;
        std::uint8_t originalSize;

        std::size_t DecodedEnd() const { return decoded + count * decodedSize; }
        std::size_t OriginalEnd() const { return original + count * originalSize; }
    };

    /// Appends one character decoded from `originalSize` bytes of the original.
    void Add(std::string_view utf8, std::size_t originalSize);
    /// The original offset of `offset`, counted from `piece`, the last piece before it.
    static std::size_t Original(const Piece& piece, std::size_t offset);

    std::string m_text;
    std::vector<Piece> m_pieces;
    std::size_t m_originalSize = 0;
    /// False where only the text is wanted: no pieces are kept.
    bool m_mapped = true;
};

/// What became of decoding some bytes.
struct Decoding {
    DecodedText text;
    /// Whether every byte decoded; if not, `invalidOffset` is where the first that did not
    /// starts, and the text holds what came before it.
    bool complete = true;
    std::size_t invalidOffset = 0;
};

/// What decoding does with bytes that are not valid in the encoding.
enum class InvalidBytes : std::uint8_t {
    /// Stops at the first.
    Stop,
    /// Reads each byte that starts no valid character as U+FFFD, as browsers do.
    Replace,
};

/// Decodes `bytes` with the C library's decoder for `encoding` (any but Replacement): bytes
/// below 128 that start a character of an ASCII-compatible encoding are ASCII, as the encoding
/// standard has it.
Decoding Decode(std::string_view bytes, const TextEncoding& encoding, InvalidBytes invalid);

/// The text of `bytes` decoded as Decode does, without the way back to the bytes; nothing if
/// any are not valid in `encoding`.
std::optional<std::string> DecodeText(std::string_view bytes, const TextEncoding& encoding);

/// The offset of the first byte of `text` that is not UTF-8 (a browser reads it as U+FFFD),
/// or npos.
std::size_t FirstInvalidUtf8(std::string_view text);

/// Whether `bytes` are UTF-8, as browsers decide whether to read a page as UTF-8.
bool IsValidUtf8(std::string_view bytes);

} // namespace quillveil
