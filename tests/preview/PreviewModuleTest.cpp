#include "platform/PreviewModule.h"

#include <gtest/gtest.h>
#include <wx/filefn.h>
#include <wx/filename.h>

#include <cstdlib>
#include <fstream>

using quillveil::FindPreviewModule;

namespace {

void Touch(const wxString& file)
{
    wxFileName::Mkdir(wxFileName(file).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    std::ofstream{file.utf8_string()};
}

} // namespace

// The program finds its module beside it in the build tree, and in the
// library folder of the tree it was installed into, wherever that tree is.
TEST(PreviewModule, FoundBesideTheProgramElseInTheInstalledLayout)
{
    char pattern[] = "/tmp/quillveil-layout-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const wxString root = pattern;
    const wxString program = root + "/bin/quillveil";
    const wxString installed = root + "/" QUILLVEIL_TEST_MODULE_INSTALL_DIR "/quillveil-preview.so";
    const wxString beside = root + "/bin/quillveil-preview.so";
    Touch(program);

    EXPECT_EQ(FindPreviewModule(program), installed); // neither: loading fails there
    Touch(installed);
    EXPECT_EQ(FindPreviewModule(program), installed);
    Touch(beside);
    EXPECT_EQ(FindPreviewModule(program), beside);

    wxFileName::Rmdir(root, wxPATH_RMDIR_RECURSIVE);
}
