#include "ProtectPageProperties.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace quillveil::testing {
namespace {

std::vector<std::string> SeedPages()
{
    std::vector<std::string> pages;
    for (const auto& entry : std::filesystem::directory_iterator(QUILLVEIL_PROTECT_SEEDS)) {
        std::ifstream file(entry.path(), std::ios::binary);
        std::ostringstream contents;
        contents << file.rdbuf();
        pages.push_back(contents.str());
    }
    return pages;
}

// The fuzzer's seeds, which hold the pages it once broke on, then pages made of the pieces
// that matter to protection (addresses against references, tags, quotes, places where
// references are not decoded, UTF-8, any byte) and of cuts of the seeds.
TEST(RandomizedProtectPageTest, HoldsItsPropertiesForManyPages)
{
    const std::vector<std::string> seeds = SeedPages();
    ASSERT_FALSE(seeds.empty());
    for (const std::string& seed : seeds)
        ASSERT_EQ(CheckProtectPage(seed), "") << ::testing::PrintToString(seed);

    static const std::array<std::string_view, 53> pieces = {
        "me@x.org",   "mailto:",    "MAILTO:a@b.co",
        "&amp",       "&amp;",      "&copy",
        "&#64;",      "&#x40;",     "&#109;",
        "&",          ";",          "<p>",
        "<a href=",   "<a href=\"", "<A HREF='",
        "\"",         "'",          ">",
        " title=",    " alt=",      "<img srcset='",
        "2x.png",     " ",          "\r\n",
        "<script>",   "</script>",  "<style>",
        "</style>",   "<!--",       "-->",
        "<title>",    "</title>",   "<textarea>",
        "<noscript>", "<svg>",      "<![CDATA[",
        "]]>",        "<table>",    "<td>",
        "</b>",       "<b>",        "\xC3\xA9",
        "\xE2\x82",   "x",          ".",
        "@",          "=",          "?subject=a,",
        "?to=",       "</noscript>", "x@mail.163.com",
        "o'b+n@a-b.co.uk",
        "mailto:?cc=a@b.co"};
    std::mt19937 random(20261207);
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size());
    std::uniform_int_distribution<int> length(1, 30);
    for (int round = 0; round < 20000; ++round) {
        std::string page;
        if (round % 4 == 0) {
            // A stretch of a seed, where the page's own markup meets the cut.
            const std::string& seed = seeds[random() % seeds.size()];
            const std::size_t begin = random() % seed.size();
            page = seed.substr(begin, random() % (seed.size() - begin + 1));
        }
        for (int i = length(random); i > 0; --i) {
            const std::size_t pick = piece(random);
            if (pick < pieces.size())
                page += pieces[pick];
            else
                page += static_cast<char>(random() % 256);
        }
        ASSERT_EQ(CheckProtectPage(page), "") << ::testing::PrintToString(page);
    }
}

} // namespace
} // namespace quillveil::testing
