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

/// What a mailto URL names, each with its percent escapes undone and the white space around
/// it dropped, empty ones left out: the comma-separated entries of its path and of its "to",
/// "cc" and "bcc" fields (field names in any letter case); a "#" ends the URL.
std::vector<std::string> MailtoRecipients(std::string_view url);

/// Whether a mailto URL names at least one recipient and only well-formed addresses.
bool IsWellFormedMailto(std::string_view url);

} // namespace quillveil
