#include "OccurrenceSearch.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using namespace quillveil;

std::vector<std::size_t> EveryPlace(std::string_view text, std::string_view pattern, bool fold)
{
    const auto same = [&](char a, char b) {
        return fold ? ToAsciiLower(a) == ToAsciiLower(b) : a == b;
    };
    std::vector<std::size_t> places;
    for (std::size_t i = 0; i + pattern.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < pattern.size() && same(text[i + k], pattern[k]))
            ++k;
        if (k == pattern.size())
            places.push_back(i);
    }
    return places;
}

// Small alphabets make the repetitive texts where leaping ahead and falling back to matching
// byte by byte meet: overlapping occurrences, long partial matches, matches at both ends.
TEST(OccurrenceSearchTest, FindsWhatComparingAtEveryPlaceFinds)
{
    std::mt19937 random(7);
    for (int round = 0; round < 20000; ++round) {
        const std::string letters = round % 2 ? "aAb" : "ab";
        const auto pick = [&](std::size_t length) {
            std::string text;
            for (std::size_t i = 0; i < length; ++i)
                text += letters[random() % letters.size()];
            return text;
        };
        const std::string pattern = pick(1 + random() % 6);
        const std::string text = pick(random() % 40);
        const bool fold = round % 4 >= 2;
        std::vector<std::size_t> found;
        OccurrenceMatcher matcher(pattern, fold ? OccurrenceMatcher::IgnoreAsciiCase
                                                : OccurrenceMatcher::ExactCase);
        matcher.Feed('a'); // a search forgets what came before it
        matcher.Search(text, [&](std::size_t at) { found.push_back(at); });
        EXPECT_EQ(found, EveryPlace(text, pattern, fold)) << pattern << " in " << text;
    }
}

} // namespace
