#pragma once

#include <string>
#include <string_view>

namespace quillveil::testing {

/// Reads `data` as a mode byte followed by NUL-separated field texts (user, domain, display
/// name and subject for e-mail; the link or the text for the other modes), runs GenerateCode
/// on them and checks what must hold for any input: link mode's code reads as the link, and a
/// harvester finds nothing in it that a browser shows. Returns a description of the first
/// broken property, or an empty string.
std::string CheckGenerateCode(std::string_view data);

} // namespace quillveil::testing
