#include <afxdisp.h>

#include "test_dialog.h"

#include <scratch_dir.h>

#include <filesystem>

using namespace mfc_test;

namespace {

class CSwitchApp : public CWinApp {};

void TakeArguments(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "/opt/varnel/Varnel");
    arguments.push_back(nullptr);
    AfxWinInit(static_cast<int>(arguments.size()) - 1, const_cast<char**>(arguments.data()));
}

}  // namespace

TEST(WinApp, TheNameIsTheExecutablesFileName)
{
    CSwitchApp app;
    EXPECT_STREQ(app.m_pszAppName, "mfc_tests");
    EXPECT_STREQ(app.m_pszExeName, "mfc_tests");
    EXPECT_EQ(AfxGetApp(), &app);
    EXPECT_STREQ(AfxGetAppName(), "mfc_tests");
    {
        CWinApp named("Named");
        EXPECT_STREQ(AfxGetAppName(), "Named");
    }
    EXPECT_EQ(AfxGetApp(), &app);  // the inner one is gone
}

TEST(WinApp, EmbeddingAndAutomationSwitchesInAnyCase)
{
    CSwitchApp app;
    const struct {
        std::vector<const char*> args;
        bool embedded, automated;
    } cases[] = {
        {{}, false, false},
        {{"/Embedding"}, true, false},
        {{"-embedding"}, true, false},
        {{"/AUTOMATION"}, false, true},
        {{"x", "-Automation"}, false, true},
        {{"Embedding"}, false, false},
        {{"/Embeddingx"}, false, false},
    };
    for (const auto& c : cases) {
        AfxOleSetUserCtrl(TRUE);
        TakeArguments(c.args);
        EXPECT_EQ(app.RunEmbedded() != FALSE, c.embedded) << (c.args.empty() ? "" : c.args.back());
        EXPECT_EQ(app.RunAutomated() != FALSE, c.automated) << (c.args.empty() ? "" : c.args.back());
        EXPECT_EQ(AfxOleGetUserCtrl() != FALSE, !c.embedded && !c.automated);
    }
    TakeArguments({"a b", "say \"hi\"", "plain"});
    EXPECT_STREQ(app.m_lpCmdLine, "\"a b\" \"say \\\"hi\\\"\" plain");
    EXPECT_EQ(app.Arguments().size(), 3u);
    AfxOleSetUserCtrl(TRUE);
}

TEST(WinApp, StartUpPiecesReportSuccess)
{
    CSwitchApp app;
    EXPECT_TRUE(AfxOleInit());
    AfxEnableControlContainer();
    EXPECT_TRUE(app.Enable3dControls());
    AfxOleTerm(FALSE);
}

class OleLockTest : public GuiTest {};

TEST_F(OleLockTest, TheLastUnlockClosesAHiddenAutomatedInstance)
{
    EXPECT_TRUE(AfxOleCanExitApp());
    AfxOleLockApp();
    AfxOleLockApp();
    EXPECT_EQ(afxtest::OleLockCount(), 2);
    EXPECT_FALSE(AfxOleCanExitApp());
    AfxOleUnlockApp();
    AfxOleUnlockApp();
    AfxOleUnlockApp();  // never below zero
    EXPECT_EQ(afxtest::OleLockCount(), 0);

    afxtest::ModalScript script;
    CTestDlg dialog;
    app_.m_pMainWnd = &dialog;
    AfxOleSetUserCtrl(FALSE);
    script.Then([&](CDialog& dlg) {
        dlg.ShowWindow(SW_HIDE);  // a window that shows is its user's
        AfxOleLockApp();
        AfxOleUnlockApp();  // posts WM_CLOSE to the main window
        QApplication::processEvents();
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"init", "close", "cancel"}));
    AfxOleSetUserCtrl(TRUE);
    app_.m_pMainWnd = nullptr;
}

namespace {

class CEntryApp : public CWinApp {
public:
    CEntryApp() : CWinApp("EntryApp") {}
    std::vector<std::string> calls;
    BOOL InitInstance() override
    {
        calls.push_back(RunAutomated() ? "init automated" : "init");
        CDialog dialog(kSmallDialog);
        m_pMainWnd = &dialog;
        calls.push_back("dialog " + std::to_string(dialog.DoModal()));
        m_pMainWnd = nullptr;
        return FALSE;
    }
    int ExitInstance() override
    {
        calls.push_back("exit");
        return 3;
    }
};

class EntryPointTest : public GuiTest {};

}  // namespace

TEST_F(EntryPointTest, InitInstanceRunsThenExitInstanceGivesTheExitCode)
{
    CEntryApp app;
    afxtest::ModalScript script;
    script.Then([](CDialog& dlg) { afxtest::PressKey(&dlg, afxtest::Key::Escape); });
    char program[] = "/usr/bin/Varnel";
    char automation[] = "-AUTOMATION";
    char* argv[] = {program, automation, nullptr};
    EXPECT_EQ(AfxWinMain(2, argv), 3);
    EXPECT_EQ(app.calls, (std::vector<std::string>{"init automated", "dialog 2", "exit"}));
    AfxOleSetUserCtrl(TRUE);
}

TEST_F(EntryPointTest, ScreenshotsOfADialog)
{
    testing_support::ScratchDir folder;
    const std::string png = (folder / "about.png").string();
    afxtest::ModalScript script;
    CDialog about(kSmallDialog);
    BOOL grabbed = FALSE;
    script.Then([&](CDialog& dlg) { grabbed = afxtest::GrabWindow(&dlg, png.c_str()); });
    about.DoModal();
    EXPECT_TRUE(grabbed);
    EXPECT_GT(std::filesystem::file_size(png), 100u);
    EXPECT_FALSE(afxtest::GrabWindow(&about, png.c_str()));  // no window any more
}
