#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillveil {

/// How the bytes of an encoding make characters, as far as reading and editing a page cares.
enum class EncodingForm : std::uint8_t {
    Utf8,
    /// One byte a character; bytes below 128 are ASCII.
    SingleByte,
    /// One to four bytes a character; a byte below 128 that starts a character is ASCII, but
    /// one inside a character need not be (the second byte of a Shift_JIS character can be "@").
    MultiByte,
    /// Escape sequences switch between character sets, so a byte means nothing on its own.
    Stateful,
    Utf16LE,
    Utf16BE,
    /// Labels of stateful encodings that browsers refuse to decode: a page in one of them shows
    /// as a single replacement character.
    Replacement,
};

/// An encoding of the encoding standard that web browsers follow.
struct TextEncoding {
    /// Its name in that standard ("Shift_JIS").
    std::string_view name;
    /// The C library's name for a decoder that reads its characters as browsers do.
    std::string_view iconvName;
    EncodingForm form;
};

/// The encoding a label names ("latin1", "x-sjis"), read as the encoding standard reads labels:
/// ASCII white space around it ignored, letters in any case; null for a label it does not know.
const TextEncoding* EncodingOfLabel(std::string_view label);

const TextEncoding& Utf8Encoding();
/// What browsers read a page in that is neither declared nor UTF-8.
const TextEncoding& Windows1252Encoding();
const TextEncoding& Utf16Encoding(bool bigEndian);

/// The bytes of the ASCII character `c` in `encoding`; for a stateful encoding, in its ASCII
/// state.
std::string AsciiBytes(const TextEncoding& encoding, char c);

} // namespace quillveil
