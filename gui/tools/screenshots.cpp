// Renders the main dialog (with Chinese text in it) and the About box into PNG
// files under the offscreen platform: varnel_screenshots <folder>.
#include <varnel/speech_classes.h>
#include <varnel/test_hooks.h>
#include <afxwin.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <scratch_dir.h>

#include "VarnelDlg.h"
#include "res/resource.h"
#include "res/resources.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: varnel_screenshots <folder>\n");
        return 1;
    }
    const std::string folder = std::filesystem::absolute(argv[1]).string();  // before the folder changes
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing_support::IsolatedEnvironment env;  // no set.ini of the user's
    afxtest::EnsureGuiApplication();
    RegisterVarnelResources();
    RegisterSpeechClasses();
    if (FAILED(CoInitialize(nullptr))) return 1;

    bool mainSaved = false, aboutSaved = false;
    {
        afxtest::ModalScript script;
        script
            .Then([&](CDialog& dialog) {
                // The hidden Chinese button puts a poem in the text box.
                dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CHINESE, BN_CLICKED), 0);
                afxtest::Type(&dialog, IDC_LOOP, "2");
                mainSaved = afxtest::GrabWindow(&dialog, (folder + "/main-dialog.png").c_str());
                afxtest::ChooseSystemMenuItem(&dialog, IDM_ABOUTBOX);
                afxtest::Click(&dialog, IDCANCEL);
            })
            .Then([&](CDialog& about) {
                aboutSaved = afxtest::GrabWindow(&about, (folder + "/about-box.png").c_str());
                afxtest::Click(&about, IDOK);
            });
        CVarnelDlg dialog;
        dialog.DoModal();
    }
    CoUninitialize();
    std::printf("%s/main-dialog.png: %s\n%s/about-box.png: %s\n", folder.c_str(), mainSaved ? "written" : "FAILED",
                folder.c_str(), aboutSaved ? "written" : "FAILED");
    return mainSaved && aboutSaved ? 0 : 1;
}
