#pragma once

#include "AsciiText.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace quillveil {

/// Finds a pattern in a text fed to it one byte at a time. Knuth-Morris-Pratt: linear in both
/// lengths whatever the texts, where a plain find-and-retry degrades to length times length on
/// repetitive input. The pattern must not be empty and must outlive the matcher.
class OccurrenceMatcher {
public:
    enum Case { ExactCase, IgnoreAsciiCase };

    explicit OccurrenceMatcher(std::string_view pattern, Case letterCase = ExactCase)
        : m_pattern(pattern), m_fold(letterCase == IgnoreAsciiCase), m_border(pattern.size(), 0)
    {
        // m_border[i]: length of the longest proper prefix of pattern[0..i] that is also its
        // suffix.
        for (std::size_t i = 1, length = 0; i < pattern.size(); ++i) {
            while (length > 0 && At(i) != At(length))
                length = m_border[length - 1];
            if (At(i) == At(length))
                ++length;
            m_border[i] = length;
        }
    }

    /// Takes the next byte; true when an occurrence ends with it. Overlapping occurrences
    /// are all found.
    bool Feed(char c)
    {
        if (m_fold)
            c = ToAsciiLower(c);
        while (m_matched > 0 && c != At(m_matched))
            m_matched = m_border[m_matched - 1];
        if (c == At(m_matched))
            ++m_matched;
        if (m_matched < m_pattern.size())
            return false;
        m_matched = m_border[m_matched - 1];
        return true;
    }

    /// Whether no byte fed so far can begin an occurrence.
    bool Idle() const { return m_matched == 0; }

    /// Forgets the bytes fed so far.
    void Reset() { m_matched = 0; }

    std::size_t PatternSize() const { return m_pattern.size(); }

private:
    char At(std::size_t i) const { return m_fold ? ToAsciiLower(m_pattern[i]) : m_pattern[i]; }

    std::string_view m_pattern;
    bool m_fold;
    std::vector<std::size_t> m_border;
    std::size_t m_matched = 0;
};

/// Calls `found(position)` for every occurrence of `pattern` in `text`, overlapping ones
/// included, from left to right. `pattern` must not be empty.
template <class Found>
void ForEachOccurrence(std::string_view text, std::string_view pattern, Found found)
{
    OccurrenceMatcher matcher(pattern);
    for (std::size_t i = 0; i < text.size(); ++i) {
        // Between occurrences, only the pattern's first byte can start one: leap to it.
        if (matcher.Idle()) {
            i = text.find(pattern[0], i);
            if (i == std::string_view::npos)
                return;
        }
        if (matcher.Feed(text[i]))
            found(i + 1 - pattern.size());
    }
}

} // namespace quillveil
