#pragma once

#include <string>
#include <string_view>

namespace quillveil {

/// Writes every byte 1..127 as a decimal character reference ("&#64;") and
/// passes bytes 128..255 through unchanged, so UTF-8 sequences stay intact.
std::string EncodeEntities(std::string_view text);

/// Writes EncodeEntities(text) at `out`, which needs room for six bytes a byte of `text` and
/// eight more (whole words are stored past the end); returns the end of what it wrote.
char* WriteEntities(std::string_view text, char* out);

/// Writes text[begin, end), a stretch of a text or of an attribute value `text`, as
/// EncodeEntities does, save what a browser would read otherwise as a reference: character
/// references already there (read in `text`, by the rules for attribute values where
/// `inAttribute`), CR (read as a line break, "&#13;" is not) and control characters other
/// than white space (parsers differ on them; no harvester looks for them) stay as they are.
/// `out` needs room as for WriteEntities; returns the end of what it wrote.
char* WriteEncodedInMarkup(std::string_view text, std::size_t begin, std::size_t end,
                           bool inAttribute, char* out);

/// Percent-encodes a mailto subject: ASCII letters, digits and bytes
/// 128..255 stay as they are, every other byte becomes "%XX" (upper case).
std::string PercentEncodeSubject(std::string_view subject);

} // namespace quillveil
