#include "platform/PreviewNavigation.h"

#include <gtest/gtest.h>

using quillveil::ClassifyPreviewNavigation;
using quillveil::NavigationCause;
using quillveil::PreviewNavigation;

TEST(PreviewNavigation, OnlyThePanesOwnLoadOfItsPageLoads)
{
    constexpr auto pane = NavigationCause::Pane;
    constexpr auto click = NavigationCause::LinkClick;
    constexpr auto markup = NavigationCause::Markup;
    EXPECT_EQ(ClassifyPreviewNavigation("about:blank", pane), PreviewNavigation::Allow);
    EXPECT_EQ(ClassifyPreviewNavigation("ABOUT:BLANK", pane), PreviewNavigation::Allow);
    // Anchors within the preview scroll it, whoever asks.
    for (const auto cause : {pane, click, markup}) {
        EXPECT_EQ(ClassifyPreviewNavigation("about:blank#top", cause), PreviewNavigation::Allow);
    }
    // A blank page loaded by a click or by a refresh in the markup would wipe
    // the preview and lack the pane's policy; the pane loads nothing else.
    EXPECT_EQ(ClassifyPreviewNavigation("about:blank", click), PreviewNavigation::Block);
    EXPECT_EQ(ClassifyPreviewNavigation("about:blank", markup), PreviewNavigation::Block);
    EXPECT_EQ(ClassifyPreviewNavigation("https://example.org/", pane), PreviewNavigation::Block);
    // Frames, refreshes, forms and anything else the markup loads by itself.
    for (const char* url : {"https://example.org/", "about:srcdoc", "javascript:x()", ""}) {
        EXPECT_EQ(ClassifyPreviewNavigation(url, markup), PreviewNavigation::Block) << url;
    }
}

TEST(PreviewNavigation, ClickedLinksGoToTheDesktopOnlyForItsSchemes)
{
    for (const char* url :
         {"https://quillveil.example/", "http://example.org/a?b=c#d", "HTTPS://EXAMPLE.ORG",
          "mailto:User@example.com?subject=Test%20Subject", "ftp://example.org/f", "tel:+123"}) {
        EXPECT_EQ(ClassifyPreviewNavigation(url, NavigationCause::LinkClick),
                  PreviewNavigation::HandToDesktop)
            << url;
    }
    for (const char* url : {"javascript:alert(1)", "JavaScript:alert(1)", "data:text/html,<b>x</b>",
                            "file:///etc/passwd", "blob:https://example.org/x", "about:config",
                            "vbscript:x", "page.html", ":nothing", "1http://x", "ht tp://x", ""}) {
        EXPECT_EQ(ClassifyPreviewNavigation(url, NavigationCause::LinkClick),
                  PreviewNavigation::Block)
            << url;
    }
}
