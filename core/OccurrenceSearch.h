#pragma once

#include "AsciiText.h"

#include <algorithm>
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
        c = Fold(c);
        while (m_matched > 0 && c != At(m_matched))
            m_matched = m_border[m_matched - 1];
        if (c == At(m_matched))
            ++m_matched;
        if (m_matched < m_pattern.size())
            return false;
        m_matched = m_border[m_matched - 1];
        return true;
    }

    /// Calls `found(position)` for every occurrence in `text`, overlapping ones included, from
    /// left to right, forgetting what was fed before. Where no occurrence has begun, it leaps to
    /// the next byte that could start one and compares a stretch at once, falling back to
    /// byte-at-a-time matching where text and pattern part: still linear, since the matching
    /// then resumes after the bytes the comparison found equal.
    template <class Found> void Search(std::string_view text, Found found)
    {
        Reset();
        const char first = At(0);
        for (std::size_t i = 0; i < text.size();) {
            if (m_matched > 0) {
                if (Feed(text[i]))
                    found(i + 1 - m_pattern.size());
                ++i;
                continue;
            }
            if (m_fold) {
                while (i < text.size() && Fold(text[i]) != first)
                    ++i;
            } else {
                i = std::min(text.find(first, i), text.size());
            }
            if (i == text.size())
                return;
            std::size_t same = 1;
            while (same < m_pattern.size() && i + same < text.size() &&
                   Fold(text[i + same]) == At(same))
                ++same;
            if (same == m_pattern.size()) {
                found(i);
                m_matched = m_border[same - 1];
            } else {
                m_matched = same;
            }
            i += same;
        }
    }

    /// Forgets the bytes fed so far.
    void Reset() { m_matched = 0; }

    std::size_t PatternSize() const { return m_pattern.size(); }

private:
    char Fold(char c) const { return m_fold ? ToAsciiLower(c) : c; }
    char At(std::size_t i) const { return Fold(m_pattern[i]); }

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
    matcher.Search(text, found);
}
} // namespace quillveil
