#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace quillveil {

/// Calls `found(position)` for every occurrence of `pattern` in `text`, overlapping ones
/// included, from left to right. Knuth-Morris-Pratt: linear in both lengths whatever the
/// texts, where a plain find-and-retry degrades to length times length on repetitive input.
/// `pattern` must not be empty.
template <class Found>
void ForEachOccurrence(std::string_view text, std::string_view pattern, Found found)
{
    // border[i]: length of the longest proper prefix of pattern[0..i] that is also its suffix.
    std::vector<std::size_t> border(pattern.size(), 0);
    for (std::size_t i = 1, length = 0; i < pattern.size(); ++i) {
        while (length > 0 && pattern[i] != pattern[length])
            length = border[length - 1];
        if (pattern[i] == pattern[length])
            ++length;
        border[i] = length;
    }

    std::size_t matched = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        while (matched > 0 && text[i] != pattern[matched])
            matched = border[matched - 1];
        if (text[i] == pattern[matched])
            ++matched;
        if (matched == pattern.size()) {
            found(i + 1 - pattern.size());
            matched = border[matched - 1];
        }
    }
}

} // namespace quillveil
