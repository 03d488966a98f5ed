#pragma once

#include <string>
#include <string_view>

namespace quillveil::testing {

/// Reads `data` as a mode byte followed by NUL-separated field texts (user, domain, display
/// name and subject for e-mail; the link or the text for the other modes), runs GenerateCode
/// on them and checks what must hold for any input. Returns a description of the first
/// broken property, or an empty string.
/// Whether the reader checked the place of every text of a link is a goal of completeness, not
/// of safety (a text it cannot check is placed by the tokenizer's rule alone, and the code must
/// still read as the link): with `requireEveryTextPlaced` false it goes unchecked, and the
/// time-bounded fuzz run guards only what must never break, while the seeded randomized test
/// keeps the goal.
std::string CheckGenerateCode(std::string_view data, bool requireEveryTextPlaced = true);

} // namespace quillveil::testing
