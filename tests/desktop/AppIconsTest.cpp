#include "AppIcons.h"
#include "ResourceIds.h"

#include <gtest/gtest.h>
#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/image.h>

#include <set>

using quillveil::LoadIconGroup;

namespace {

std::set<int> SquareSizes(const wxIconBundle& bundle)
{
    std::set<int> sizes;
    for (size_t i = 0; i < bundle.GetIconCount(); ++i) {
        const wxIcon icon = bundle.GetIconByIndex(i);
        EXPECT_TRUE(icon.IsOk());
        EXPECT_EQ(icon.GetWidth(), icon.GetHeight());
        sizes.insert(icon.GetWidth());
    }
    return sizes;
}

wxImage ImageOf(const wxIcon& icon)
{
    wxBitmap bitmap;
    bitmap.CopyFromIcon(icon);
    return bitmap.ConvertToImage();
}

} // namespace

TEST(AppIconsTest, MainFrameHoldsEverySizeTheDesktopAsksFor)
{
    const wxIconBundle bundle = LoadIconGroup(quillveil::IDR_MAINFRAME);
    EXPECT_EQ(bundle.GetIconCount(), 4u);
    EXPECT_EQ(SquareSizes(bundle), (std::set<int>{16, 24, 32, 48}));
    for (int size : {16, 24, 32, 48}) {
        const wxIcon icon = bundle.GetIcon(wxSize(size, size), wxIconBundle::FALLBACK_NONE);
        ASSERT_TRUE(icon.IsOk()) << size;
        EXPECT_EQ(icon.GetWidth(), size);
    }
}

TEST(AppIconsTest, AboutHoldsOnlyTheLargePicture)
{
    const wxIconBundle bundle = LoadIconGroup(quillveil::IDI_ABOUT);
    EXPECT_EQ(SquareSizes(bundle), std::set<int>{128});
}

TEST(AppIconsTest, DecodedPicturesKeepTheirTransparency)
{
    // A lost alpha channel would paint the rounded tile's corners as black squares.
    for (int id : {quillveil::IDR_MAINFRAME, quillveil::IDI_ABOUT}) {
        const wxIconBundle bundle = LoadIconGroup(id);
        for (size_t i = 0; i < bundle.GetIconCount(); ++i) {
            const wxImage image = ImageOf(bundle.GetIconByIndex(i));
            ASSERT_TRUE(image.IsOk());
            ASSERT_TRUE(image.HasAlpha()) << image.GetWidth();
            EXPECT_LT(image.GetAlpha(0, 0), 128) << image.GetWidth();
            EXPECT_EQ(image.GetAlpha(image.GetWidth() / 2, image.GetHeight() / 2), 255)
                << image.GetWidth();
        }
    }
}

TEST(AppIconsTest, IdsThatAreNoIconGroupGiveAnEmptyBundle)
{
    for (int id : {0, -1, quillveil::IDR_MAINFRAME - 1, quillveil::IDI_ABOUT + 1,
                   quillveil::IDD_MAIN, quillveil::IDC_GENERATE}) {
        EXPECT_TRUE(LoadIconGroup(id).IsEmpty()) << id;
    }
}

TEST(AppIconsTest, RepeatedLoadsAddThePngDecoderOnlyOnce)
{
    LoadIconGroup(quillveil::IDR_MAINFRAME);
    const size_t handlers = wxImage::GetHandlers().GetCount();
    LoadIconGroup(quillveil::IDI_ABOUT);
    LoadIconGroup(quillveil::IDR_MAINFRAME);
    EXPECT_EQ(wxImage::GetHandlers().GetCount(), handlers);
    EXPECT_NE(wxImage::FindHandler(wxBITMAP_TYPE_PNG), nullptr);
}
