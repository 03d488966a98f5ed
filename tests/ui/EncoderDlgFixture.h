#pragma once

#include "CEncoderDlg.h"
#include "GuiTestSupport.h"
#include "res/ResourceIds.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include <string>

/// A freshly built main dialog, shown (not modally: the test harness keeps
/// modal loops for the dialogs it expects) and holding the keyboard focus.
class EncoderDlgTest : public testing::Test {
protected:
    void SetUp() override
    {
        dlg = new quillveil::CEncoderDlg;
        dlg->Show();
        dlg->Raise();
        ASSERT_TRUE(PumpUntil([this] { return wxWindow::FindFocus() != nullptr; }))
            << "the dialog never received the keyboard focus";
    }

    void TearDown() override
    {
        dlg->Destroy();
        PumpEvents(20);
    }

    template <class Control> Control* Get(int id) const
    {
        auto* control = dynamic_cast<Control*>(dlg->FindWindow(id));
        EXPECT_NE(control, nullptr) << "no control " << id;
        return control;
    }
    wxTextCtrl* Field(int id) const { return Get<wxTextCtrl>(id); }
    wxCheckBox* ModeBox(int id) const { return Get<wxCheckBox>(id); }
    wxButton* Button(int id) const { return Get<wxButton>(id); }

    std::string Text(int id) const { return Field(id)->GetValue().utf8_string(); }
    void SetText(int id, const std::string& text) const
    {
        Field(id)->ChangeValue(wxString::FromUTF8(text));
    }

    /// What a click on a push button sends to the dialog.
    void Press(int id) const
    {
        wxButton* button = Button(id);
        wxCommandEvent event(wxEVT_BUTTON, id);
        event.SetEventObject(button);
        button->HandleWindowEvent(event);
    }

    /// What a click on a check box does: it toggles itself, then notifies.
    void Toggle(int id) const
    {
        wxCheckBox* box = ModeBox(id);
        box->SetValue(!box->GetValue());
        wxCommandEvent event(wxEVT_CHECKBOX, id);
        event.SetEventObject(box);
        event.SetInt(box->GetValue() ? 1 : 0);
        box->HandleWindowEvent(event);
    }

    /// A real mouse click in the middle of a control.
    void ClickWithMouse(wxWindow* control)
    {
        const wxRect rect = control->GetScreenRect();
        sim.MouseMove(rect.GetLeft() + rect.GetWidth() / 2, rect.GetTop() + rect.GetHeight() / 2);
        PumpEvents(20);
        sim.MouseClick();
        PumpEvents(100);
    }

    /// The id of the control holding the keyboard focus, or 0.
    static int FocusId()
    {
        wxWindow* focus = wxWindow::FindFocus();
        return focus != nullptr ? focus->GetId() : 0;
    }

    quillveil::CEncoderDlg* dlg = nullptr;
    wxUIActionSimulator sim;
};
