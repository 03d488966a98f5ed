#pragma once

#include <string>
#include <string_view>

namespace quillveil {

/// Writes every byte 1..127 as a decimal character reference ("&#64;") and
/// passes bytes 128..255 through unchanged, so UTF-8 sequences stay intact.
std::string EncodeEntities(std::string_view text);

/// Percent-encodes a mailto subject: ASCII letters, digits and bytes
/// 128..255 stay as they are, every other byte becomes "%XX" (upper case).
std::string PercentEncodeSubject(std::string_view subject);

} // namespace quillveil
