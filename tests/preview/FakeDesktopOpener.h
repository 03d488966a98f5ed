#pragma once

#include "GuiTestSupport.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

/// Puts a stand-in for the desktop's opener (xdg-open) first on PATH while it
/// lives; it records the URL it is given, so a test sees what the desktop
/// would have opened.
class FakeDesktopOpener {
public:
    FakeDesktopOpener() : m_dir(wxFileName::CreateTempFileName("quillveil-open"))
    {
        wxRemoveFile(m_dir);
        wxMkdir(m_dir);
        const std::string script = (m_dir + "/xdg-open").utf8_string();
        m_record = (m_dir + "/opened").utf8_string();
        {
            std::ofstream out(script);
            out << "#!/bin/sh\nprintf '%s' \"$1\" > '" << m_record << ".tmp' && mv '" << m_record
                << ".tmp' '" << m_record << "'\n";
        }
        wxExecute("chmod +x " + wxString::FromUTF8(script), wxEXEC_SYNC);
        m_oldPath = std::getenv("PATH");
        setenv("PATH", (m_dir.utf8_string() + ":" + m_oldPath).c_str(), 1);
    }

    ~FakeDesktopOpener()
    {
        setenv("PATH", m_oldPath.c_str(), 1);
        wxFileName::Rmdir(m_dir, wxPATH_RMDIR_RECURSIVE);
    }

    FakeDesktopOpener(const FakeDesktopOpener&) = delete;
    FakeDesktopOpener& operator=(const FakeDesktopOpener&) = delete;

    /// Waits for the opener to be run and returns its URL; empty if it was not.
    std::string WaitForUrl(long timeoutMs = 5000) const
    {
        if (!PumpUntil([&] { return wxFileExists(wxString::FromUTF8(m_record)); }, timeoutMs)) {
            return {};
        }
        std::ifstream in(m_record);
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }

private:
    wxString m_dir;
    std::string m_record;
    std::string m_oldPath;
};
