#include "platform/TooltipColors.h"

#include <gtest/gtest.h>

using namespace quillveil;

TEST(TooltipCss, AsksForEachColourGiven)
{
    EXPECT_EQ(TooltipCss(std::nullopt, std::nullopt), "");

    const std::string both = TooltipCss(wxColour(176, 200, 226), wxColour(0, 0, 0));
    EXPECT_NE(both.find("background-color: rgb(176,200,226)"), std::string::npos) << both;
    EXPECT_NE(both.find("background-image: none"), std::string::npos) << both;
    EXPECT_NE(both.find("color: rgb(0,0,0)"), std::string::npos) << both;

    const std::string textOnly = TooltipCss(std::nullopt, wxColour(1, 2, 3));
    EXPECT_EQ(textOnly.find("background"), std::string::npos) << textOnly;
    EXPECT_NE(textOnly.find("color: rgb(1,2,3)"), std::string::npos) << textOnly;
}
