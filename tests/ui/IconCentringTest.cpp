#include "IconCentring.h"

#include <gtest/gtest.h>

using quillveil::CentredIconOrigin;

// The halves truncate toward zero, so a too-small area still places the
// icon one pixel further right than flooring would.
TEST(CentredIconOrigin, CentresAndTruncatesTowardZero)
{
    const wxSize icon(32, 32);
    EXPECT_EQ(CentredIconOrigin(wxSize(37, 37), icon), wxPoint(3, 3));
    EXPECT_EQ(CentredIconOrigin(wxSize(36, 36), icon), wxPoint(2, 2));
    EXPECT_EQ(CentredIconOrigin(wxSize(32, 32), icon), wxPoint(0, 0));
    EXPECT_EQ(CentredIconOrigin(wxSize(30, 30), icon), wxPoint(0, 0));
    EXPECT_EQ(CentredIconOrigin(wxSize(29, 29), icon), wxPoint(-1, -1));
    EXPECT_EQ(CentredIconOrigin(wxSize(28, 28), icon), wxPoint(-1, -1));
    EXPECT_EQ(CentredIconOrigin(wxSize(37, 29), icon), wxPoint(3, -1));
}
