#include "GenerateCodeProperties.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>

namespace quillveil::testing {
namespace {

// Where libFuzzer is not at hand, random inputs built from the pieces that matter to the
// generator (markup, quotes, references, white space, UTF-8, any byte) exercise the same
// properties.
TEST(RandomizedGenerateCodeTest, HoldsItsPropertiesForManyInputs)
{
    static const std::array<std::string_view, 54> pieces = {
        "<a ", " href=", "HREF=", "hRef =", "\"", "'", ">", "</a>", "<b>", "<!--", "-->", "--!>",
        "&amp;", "&amp", "&not", "&#", "x6", ";", "=", " ", "\t", "\r\n", "\r", "x", "/",
        "mailto:", "a@b.c", ",", "\xC3\xA9", "\xE2\x82", "?", "%", "<script>", "</script>",
        "<style>", "<title>", "<table>", "<td>", "</div>", "<p>",
        // Address shapes and the parts of mailto URLs, and both readings of noscript.
        "me@x.org", "x@mail.163.com", "o'b+n@a-b.co.uk", "MAILTO:", "?to=", "&cc=", "#top", "%40",
        "&#64;", "<noscript>", "</noscript>", " title=", "logo@2x.png", "me@x.bmp"};
    std::mt19937 random(20240607);
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size() + 3);
    std::uniform_int_distribution<int> byte(1, 255);
    std::uniform_int_distribution<int> length(0, 40);

    for (int round = 0; round < 200'000; ++round) {
        std::string data(1, static_cast<char>(round % 3));
        const int count = length(random);
        for (int i = 0; i < count; ++i) {
            const std::size_t pick = piece(random);
            if (pick < pieces.size())
                data += pieces[pick];
            else if (pick == pieces.size())
                data += '\0'; // the next field
            else
                data += static_cast<char>(byte(random));
        }
        ASSERT_EQ(CheckGenerateCode(data), "") << ::testing::PrintToString(data);
    }
}

} // namespace
} // namespace quillveil::testing
