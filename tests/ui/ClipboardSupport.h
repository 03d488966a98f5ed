#pragma once

#include "GuiTestSupport.h"

#include <gtest/gtest.h>
#include <wx/file.h>
#include <wx/filename.h>
#include <wx/process.h>
#include <wx/stream.h>

#include <string>

/// Runs a command without blocking our own event loop, which has to answer
/// the clipboard requests of the other process; returns its output.
inline std::string RunWhilePumping(const wxString& command, const std::string& input = {})
{
    bool ended = false;
    auto* process = new wxProcess;
    process->Redirect();
    process->Bind(wxEVT_END_PROCESS, [&ended](wxProcessEvent&) { ended = true; });
    if (wxExecute(command, wxEXEC_ASYNC, process) == 0) {
        delete process;
        ADD_FAILURE() << "cannot run " << command.utf8_string();
        return {};
    }
    if (!input.empty()) {
        process->GetOutputStream()->Write(input.data(), input.size());
    }
    process->CloseOutput();
    std::string output;
    auto drain = [&] {
        wxInputStream* in = process->GetInputStream();
        while (in->CanRead()) {
            char buffer[4096];
            in->Read(buffer, sizeof buffer);
            output.append(buffer, in->LastRead());
        }
    };
    EXPECT_TRUE(PumpUntil(
        [&] {
            drain();
            return ended;
        },
        10000));
    drain();
    // Once the process has ended, wx has handed its events over and the
    // object deletes itself when not detached; ours is left to us.
    delete process;
    return output;
}

inline std::string ReadClipboard()
{
    return RunWhilePumping("xclip -o -selection clipboard -target UTF8_STRING");
}

inline void PutOnClipboard(const std::string& text)
{
    // xclip serves the text from a background process until replaced. From a
    // file, as a pipe would take only its buffer's worth at once.
    const wxString file = wxFileName::CreateTempFileName("quillveil-clipboard");
    {
        wxFile out(file, wxFile::write);
        ASSERT_TRUE(out.IsOpened() && out.Write(text.data(), text.size()) == text.size());
    }
    RunWhilePumping("xclip -i -selection clipboard " + file);
    wxRemoveFile(file);
    // xclip takes the selection in a process of its own, which may come after
    // the one we ran has ended.
    EXPECT_TRUE(PumpUntil([&text] { return ReadClipboard() == text; }, 5000));
}
