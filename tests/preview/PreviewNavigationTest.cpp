#include "platform/PreviewNavigation.h"

#include <gtest/gtest.h>

using quillveil::ClassifyPreviewNavigation;
using quillveil::PreviewNavigation;

TEST(PreviewNavigation, OnlyTheProgramsOwnBlankPageLoads)
{
    EXPECT_EQ(ClassifyPreviewNavigation("about:blank", false), PreviewNavigation::Allow);
    EXPECT_EQ(ClassifyPreviewNavigation("ABOUT:BLANK", false), PreviewNavigation::Allow);
    // Anchors within the preview scroll it, whoever asks.
    EXPECT_EQ(ClassifyPreviewNavigation("about:blank#top", true), PreviewNavigation::Allow);
    EXPECT_EQ(ClassifyPreviewNavigation("about:blank#top", false), PreviewNavigation::Allow);
    // A clicked link to the blank page would wipe the preview.
    EXPECT_EQ(ClassifyPreviewNavigation("about:blank", true), PreviewNavigation::Block);
    // Frames, refreshes and anything else the markup loads by itself.
    EXPECT_EQ(ClassifyPreviewNavigation("https://example.org/", false), PreviewNavigation::Block);
    EXPECT_EQ(ClassifyPreviewNavigation("about:srcdoc", false), PreviewNavigation::Block);
    EXPECT_EQ(ClassifyPreviewNavigation("", false), PreviewNavigation::Block);
}

TEST(PreviewNavigation, ClickedLinksGoToTheDesktopOnlyForItsSchemes)
{
    for (const char* url :
         {"https://quillveil.example/", "http://example.org/a?b=c#d", "HTTPS://EXAMPLE.ORG",
          "mailto:User@example.com?subject=Test%20Subject", "ftp://example.org/f", "tel:+123"}) {
        EXPECT_EQ(ClassifyPreviewNavigation(url, true), PreviewNavigation::HandToDesktop) << url;
    }
    for (const char* url : {"javascript:alert(1)", "JavaScript:alert(1)", "data:text/html,<b>x</b>",
                            "file:///etc/passwd", "blob:https://example.org/x", "about:config",
                            "vbscript:x", "page.html", ":nothing", "1http://x", "ht tp://x", ""}) {
        EXPECT_EQ(ClassifyPreviewNavigation(url, true), PreviewNavigation::Block) << url;
    }
}
