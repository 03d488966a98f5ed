// The yardstick for start-up time: a bare dialog with the main window's 21
// controls at the same places, made by plain constructor calls, with nothing
// of ours (no template table, no icons, no code generator).
#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

class ReferenceDialog : public wxDialog {
public:
    ReferenceDialog()
    {
        Create(nullptr, wxID_ANY, "Reference", wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);
        SetClientSize(ConvertDialogToPixels(wxSize(321, 282)));
        Button("Generate Code", 8, 259, 65, 16);
        Group(" E-mail ", 7, 4, 306, 71);
        Edit(15, 23, 135, 12, 0);
        Edit(167, 23, 135, 12, 0);
        Edit(16, 52, 135, 12, 0);
        Edit(168, 52, 135, 12, 0);
        Group(" Link ", 7, 78, 306, 52);
        Edit(16, 91, 287, 28, wxTE_MULTILINE);
        Group(" Any Text ", 7, 134, 306, 52);
        Edit(16, 147, 287, 28, wxTE_MULTILINE);
        Edit(7, 193, 305, 58, wxTE_MULTILINE);
        Button("Preview", 134, 259, 56, 16);
        Button("Copy", 195, 259, 56, 16);
        new wxButton(this, wxID_CANCEL, "Close", Point(256, 259), Size(56, 16));
        Label("Address", 124, 13, 26, 8);
        Label("@", 155, 25, 8, 8);
        Label("Display Name", 106, 42, 44, 8);
        Label("Subject", 168, 42, 25, 8);
        Check(3, 4);
        Check(3, 78);
        Check(3, 134);
        CentreOnScreen();
    }

private:
    wxPoint Point(int x, int y) { return ConvertDialogToPixels(wxPoint(x, y)); }
    wxSize Size(int w, int h) { return ConvertDialogToPixels(wxSize(w, h)); }
    void Button(const char* text, int x, int y, int w, int h)
    {
        new wxButton(this, wxID_ANY, text, Point(x, y), Size(w, h));
    }
    void Group(const char* text, int x, int y, int w, int h)
    {
        new wxStaticBox(this, wxID_ANY, text, Point(x, y), Size(w, h));
    }
    void Edit(int x, int y, int w, int h, long style)
    {
        new wxTextCtrl(this, wxID_ANY, "", Point(x, y), Size(w, h), style);
    }
    void Label(const char* text, int x, int y, int w, int h)
    {
        new wxStaticText(this, wxID_ANY, text, Point(x, y), Size(w, h));
    }
    void Check(int x, int y) { new wxCheckBox(this, wxID_ANY, "", Point(x, y), Size(9, 9)); }
};

class ReferenceApp : public wxApp {
public:
    bool OnInit() override { return true; }
    int OnRun() override
    {
        ReferenceDialog dialog;
        dialog.ShowModal();
        return 0;
    }
};

} // namespace

wxIMPLEMENT_APP(ReferenceApp);
