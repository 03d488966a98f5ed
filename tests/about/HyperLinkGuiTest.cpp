#include "AboutTestSupport.h"
#include "CHyperLink.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/image.h>
#include <wx/stattext.h>
#include <wx/tooltip.h>
#include <wx/uiaction.h>

#include <cstdlib>
#include <vector>

using namespace quillveil;

namespace {

constexpr int LinkId = 1001;

// The darkest pixel: the core of the text's strokes, free of antialiasing.
wxColour DarkestPixel(const wxBitmap& bitmap)
{
    const wxImage image = bitmap.ConvertToImage();
    wxColour darkest(255, 255, 255);
    int darkestSum = 3 * 255;
    for (int y = 0; y < image.GetHeight(); ++y) {
        for (int x = 0; x < image.GetWidth(); ++x) {
            const int sum = image.GetRed(x, y) + image.GetGreen(x, y) + image.GetBlue(x, y);
            if (sum < darkestSum) {
                darkestSum = sum;
                darkest = wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
            }
        }
    }
    return darkest;
}

bool Near(const wxColour& actual, ColorRef expected)
{
    const wxColour colour(static_cast<unsigned long>(expected));
    return std::abs(actual.Red() - colour.Red()) <= 30 &&
           std::abs(actual.Green() - colour.Green()) <= 30 &&
           std::abs(actual.Blue() - colour.Blue()) <= 30;
}

bool SameImage(const wxBitmap& a, const wxBitmap& b)
{
    const wxImage first = a.ConvertToImage();
    const wxImage second = b.ConvertToImage();
    return first.GetSize() == second.GetSize() &&
           std::equal(first.GetData(), first.GetData() + 3 * first.GetWidth() * first.GetHeight(),
                      second.GetData());
}

class HyperLinkTest : public testing::Test {
protected:
    void SetUp() override
    {
        dialog = new wxDialog(nullptr, wxID_ANY, "link test", wxPoint(100, 100), wxSize(500, 200));
        before = new wxButton(dialog, wxID_ANY, "before", wxPoint(10, 10));
        original =
            new wxStaticText(dialog, LinkId, "template text", wxPoint(20, 60), wxSize(300, 20));
        original->SetFont(wxFontInfo(14).Bold());
        after = new wxButton(dialog, wxID_OK, "after", wxPoint(20, 120));
        link = new CHyperLink(LinkColors{});
        link->SetUrlOpener(opener);
    }

    void TearDown() override
    {
        if (link->GetHandle() == nullptr) {
            delete link;
        }
        delete dialog;
        PumpEvents(20);
    }

    // Subclasses, gives the link its text and URL, shows the dialog and waits
    // for the first paint.
    void ShowLink(const wxString& text = "https://quillveil.example/")
    {
        ASSERT_TRUE(link->SubclassDlgItem(LinkId, *dialog));
        link->SetLinkText(text);
        link->SetURL("https://quillveil.example/");
        link->Bind(wxEVT_PAINT, [this](wxPaintEvent& event) {
            ++paints;
            event.Skip();
        });
        dialog->Show();
        // The pointer starts away from the link.
        sim.MouseMove(1, 1);
        ASSERT_TRUE(PumpUntil([this] { return paints > 0; }));
        PumpEvents(50);
    }

    // A point of the link in screen coordinates.
    wxPoint OnLink(int x, int y) const { return link->ClientToScreen(wxPoint(x, y)); }
    wxPoint OnText() const { return OnLink(link->GetHotRect().right / 2, 8); }
    wxPoint BesideText() const { return OnLink(link->GetHotRect().right + 10, 8); }

    void MoveTo(const wxPoint& screen)
    {
        sim.MouseMove(screen);
        PumpEvents(50);
    }

    wxUIActionSimulator sim;
    FakeOpener opener;
    wxDialog* dialog = nullptr;
    wxButton* before = nullptr;
    wxStaticText* original = nullptr;
    wxButton* after = nullptr;
    CHyperLink* link = nullptr;
    int paints = 0;
};

} // namespace

TEST_F(HyperLinkTest, SubclassingTakesTheStaticControlsPlaceAndSetsUp)
{
    const wxRect place = original->GetRect();
    ASSERT_TRUE(link->SubclassDlgItem(LinkId, *dialog));

    EXPECT_EQ(dialog->FindWindow(LinkId), link);
    EXPECT_EQ(link->GetRect(), place);
    const wxWindowList& children = dialog->GetChildren();
    ASSERT_EQ(children.size(), 3u);
    EXPECT_EQ(children[0], before);
    EXPECT_EQ(children[1], link);
    EXPECT_EQ(children[2], after);

    // The window text stays; the painted text is the link's own, still empty.
    EXPECT_EQ(link->GetLabel(), "template text");
    EXPECT_TRUE(link->GetLinkText().empty());

    EXPECT_EQ(link->GetNormalFont().GetPointSize(), 14);
    EXPECT_EQ(link->GetNormalFont().GetWeight(), wxFONTWEIGHT_BOLD);
    EXPECT_FALSE(link->GetNormalFont().GetUnderlined());
    EXPECT_EQ(link->GetUnderlineFont().GetPointSize(), 14);
    EXPECT_EQ(link->GetUnderlineFont().GetWeight(), wxFONTWEIGHT_BOLD);
    EXPECT_TRUE(link->GetUnderlineFont().GetUnderlined());

    ASSERT_NE(link->GetToolTip(), nullptr);
    EXPECT_TRUE(link->GetToolTip()->GetTip().empty());
    link->SetToolTipText("Click Here to go Quillveil's site");
    EXPECT_EQ(link->GetToolTip()->GetTip(), "Click Here to go Quillveil's site");

    EXPECT_FALSE(link->IsHovering());
    EXPECT_FALSE(link->IsVisited());
    EXPECT_FALSE(link->AcceptsFocusFromKeyboard());
}

TEST_F(HyperLinkTest, SubclassingAMissingControlFails)
{
    EXPECT_FALSE(link->SubclassDlgItem(4242, *dialog));
    EXPECT_EQ(link->GetHandle(), nullptr);
    EXPECT_EQ(dialog->FindWindow(LinkId), original);
}

TEST_F(HyperLinkTest, PaintsOnlyTheLinkTextNeverTheWindowText)
{
    ASSERT_TRUE(link->SubclassDlgItem(LinkId, *dialog));
    const wxBitmap empty = link->PaintOffscreen();
    // Only the background, and a hot rectangle half an average character wide.
    EXPECT_GT(DarkestPixel(empty).Red() + DarkestPixel(empty).Blue(), 300);
    EXPECT_GT(link->GetHotRect().right, 0);
    EXPECT_LT(link->GetHotRect().right, 10);
    EXPECT_EQ(link->GetHotRect().bottom, link->GetClientSize().y);

    link->SetURL("https://example.org/");
    EXPECT_EQ(link->GetLabel(), "template text");
    EXPECT_TRUE(SameImage(link->PaintOffscreen(), empty));

    link->SetLinkText("Home Page");
    EXPECT_EQ(link->GetLabel(), "Home Page");
    EXPECT_EQ(link->GetURL(), "https://example.org/");
    const wxBitmap text = link->PaintOffscreen();
    EXPECT_TRUE(Near(DarkestPixel(text), LinkColors{}.crLink));
    EXPECT_GT(link->GetHotRect().right, 40);
}

TEST_F(HyperLinkTest, HotWidthCountsTheAmpersandThatIsNotDrawn)
{
    ASSERT_TRUE(link->SubclassDlgItem(LinkId, *dialog));
    link->SetLinkText("AB");
    link->PaintOffscreen();
    const int plain = link->GetHotRect().right;
    link->SetLinkText("A&B");
    const wxBitmap mnemonic = link->PaintOffscreen();
    EXPECT_GT(link->GetHotRect().right, plain);
    link->SetLinkText("A&&B");
    const wxBitmap doubled = link->PaintOffscreen();
    EXPECT_FALSE(SameImage(mnemonic, doubled));
}

TEST_F(HyperLinkTest, HoverUnderlinesRepaintsAndShowsTheArrowBesideTheText)
{
    ShowLink();
    EXPECT_FALSE(link->IsHovering());
    const wxBitmap normal = link->PaintOffscreen();

    int paintsBefore = paints;
    MoveTo(OnText());
    ASSERT_TRUE(PumpUntil([this] { return link->IsHovering(); }));
    EXPECT_TRUE(PumpUntil([&] { return paints > paintsBefore; }));
    EXPECT_EQ(link->GetShownCursor(), CHyperLink::Cursor::Link);
    const wxBitmap hovered = link->PaintOffscreen();
    EXPECT_TRUE(Near(DarkestPixel(hovered), LinkColors{}.crHover));
    EXPECT_FALSE(SameImage(hovered, normal));

    MoveTo(BesideText());
    EXPECT_TRUE(link->IsHovering());
    EXPECT_EQ(link->GetShownCursor(), CHyperLink::Cursor::Arrow);
    MoveTo(OnText());
    EXPECT_EQ(link->GetShownCursor(), CHyperLink::Cursor::Link);

    paintsBefore = paints;
    MoveTo(OnLink(10, -30));
    ASSERT_TRUE(PumpUntil([this] { return !link->IsHovering(); }));
    EXPECT_TRUE(PumpUntil([&] { return paints > paintsBefore; }));
    EXPECT_TRUE(SameImage(link->PaintOffscreen(), normal));
}

TEST_F(HyperLinkTest, WithOneAnchorColourHoverShowsByTheUnderlineAlone)
{
    delete link;
    link = new CHyperLink(LinkColorsFrom({"255,0,0", std::nullopt}));
    link->SetUrlOpener(opener);
    ShowLink();
    const wxBitmap normal = link->PaintOffscreen();
    MoveTo(OnText());
    ASSERT_TRUE(PumpUntil([this] { return link->IsHovering(); }));
    const wxBitmap hovered = link->PaintOffscreen();
    EXPECT_TRUE(Near(DarkestPixel(normal), MakeColorRef(255, 0, 0)));
    EXPECT_TRUE(Near(DarkestPixel(hovered), MakeColorRef(255, 0, 0)));
    EXPECT_FALSE(SameImage(hovered, normal));
}

TEST_F(HyperLinkTest, AClickOnTheTextOpensTheUrlAndTheNextPaintShowsVisited)
{
    ShowLink();
    MoveTo(OnText());
    sim.MouseDown();
    PumpEvents(50);
    EXPECT_EQ(link->GetShownCursor(), CHyperLink::Cursor::Pressed);
    EXPECT_TRUE(opener.opened.empty());
    sim.MouseUp();
    ASSERT_TRUE(PumpUntil([this] { return !opener.opened.empty(); }));
    EXPECT_EQ(opener.opened, std::vector<wxString>{"https://quillveil.example/"});
    EXPECT_TRUE(link->IsVisited());
    EXPECT_EQ(link->GetShownCursor(), CHyperLink::Cursor::Link);
    EXPECT_TRUE(Near(DarkestPixel(link->PaintOffscreen()), LinkColors{}.crVisited));

    // Visited stays, hovering or not, for the rest of the control's life.
    MoveTo(OnLink(10, -30));
    ASSERT_TRUE(PumpUntil([this] { return !link->IsHovering(); }));
    EXPECT_TRUE(link->IsVisited());
    EXPECT_TRUE(Near(DarkestPixel(link->PaintOffscreen()), LinkColors{}.crVisited));
}

TEST_F(HyperLinkTest, AFailedOpenChangesNothing)
{
    opener.succeeds = false;
    ShowLink();
    MoveTo(OnText());
    const wxBitmap hovered = link->PaintOffscreen();
    sim.MouseClick();
    ASSERT_TRUE(PumpUntil([this] { return !opener.opened.empty(); }));
    EXPECT_FALSE(link->IsVisited());
    EXPECT_EQ(link->GetShownCursor(), CHyperLink::Cursor::Link);
    EXPECT_TRUE(SameImage(link->PaintOffscreen(), hovered));
}

TEST_F(HyperLinkTest, OnlyAReleaseOnTheTextOpens)
{
    ShowLink("short");
    ASSERT_LT(link->GetHotRect().right + 10, link->GetClientSize().x);

    // A click beside the text opens nothing and shows the arrow.
    MoveTo(BesideText());
    sim.MouseClick();
    PumpEvents(100);
    EXPECT_TRUE(opener.opened.empty());
    EXPECT_EQ(link->GetShownCursor(), CHyperLink::Cursor::Arrow);

    // Pressed on the text, released beside it: nothing.
    MoveTo(OnText());
    sim.MouseDown();
    PumpEvents(50);
    MoveTo(BesideText());
    sim.MouseUp();
    PumpEvents(100);
    EXPECT_TRUE(opener.opened.empty());
    EXPECT_FALSE(link->IsVisited());

    // Pressed beside the text, released on it: opens.
    sim.MouseDown();
    PumpEvents(50);
    EXPECT_EQ(link->GetShownCursor(), CHyperLink::Cursor::Arrow);
    MoveTo(OnText());
    sim.MouseUp();
    EXPECT_TRUE(PumpUntil([this] { return opener.opened.size() == 1; }));
    EXPECT_TRUE(link->IsVisited());
}
