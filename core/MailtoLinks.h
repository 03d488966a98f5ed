#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillveil {

/// The value a browser makes of an attribute value's source: character references replaced
/// (by the rules for attribute values), line breaks made LF, NUL made U+FFFD.
std::string DecodeAttributeValue(std::string_view source);

/// Whether a decoded attribute value is a mailto URL: "mailto:" in any letter case, after the
/// white space and control characters a URL parser drops.
bool IsMailtoUrl(std::string_view value);

/// The addresses a mailto URL names: the part between "mailto:" and any "?" or "#", split at
/// commas, percent escapes undone, white space around each dropped.
std::vector<std::string> MailtoRecipients(std::string_view url);

} // namespace quillveil
