// Start-up: the application runs the main dialog modally and then ends.
#include "VarnelApp.h"

#include <afxdisp.h>

#include <gtest/gtest.h>

#include "StartOptions.h"
#include "VarnelDlg.h"
#include "VarnelDlgAutoProxy.h"
#include "gui_fixture.h"
#include "res/resource.h"

#include <sapi.h>
#include <varnel/class_table.h>
#include <winreg.h>

#include <filesystem>
#include <optional>
#include <vector>

namespace {

class Application : public gui_test::DialogTest {
protected:
    void TearDown() override
    {
        AfxOleSetUserCtrl(TRUE);
        gui_test::DialogTest::TearDown();
    }

    // InitInstance of a program started with these arguments; the dialog is closed
    // by its Exit button. Whether the class object was registered while the dialog
    // ran lands in servedInLoop_.
    void Start(CVarnelApp& app, std::vector<const char*> arguments)
    {
        arguments.insert(arguments.begin(), "/opt/varnel/Varnel");
        arguments.push_back(nullptr);
        ASSERT_TRUE(AfxWinInit(static_cast<int>(arguments.size()) - 1, const_cast<char**>(arguments.data())));
        afxtest::ModalScript script;
        script.Then([this](CDialog& dialog) {
            servedInLoop_ = CVarnelDlgAutoProxy::factory.IsRegistered();
            afxtest::Click(&dialog, IDCANCEL);
        });
        EXPECT_FALSE(app.InitInstance());
        AfxOleTerm();
        EXPECT_FALSE(CVarnelDlgAutoProxy::factory.IsRegistered()) << "revoked at the end";
    }

    testing_support::IsolatedEnvironment runtime_{true};  // the class object's socket lands there
    BOOL servedInLoop_ = FALSE;
};

// The default value of HKEY_CLASSES_ROOT\subKey; nothing when the key is missing.
std::optional<std::string> DefaultValue(const char* subKey)
{
    char data[4096] = {};
    LONG size = sizeof data;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, subKey, data, &size) != ERROR_SUCCESS) return std::nullopt;
    return std::string(data);
}

const char kServerKey[] = "CLSID\\{36441365-33C3-423D-9CFE-E48DDBEBE91A}\\LocalServer32";

TEST_F(Application, AnAutomatedStartServesTheClassAUsersRewritesItsRegistration)
{
    CVarnelApp app;
    for (const char* option : {"/Embedding", "-automation"}) {
        Start(app, {option});
        EXPECT_TRUE(servedInLoop_) << option;
        EXPECT_FALSE(AfxOleGetUserCtrl()) << option;
        EXPECT_EQ(DefaultValue(kServerKey), std::nullopt) << option;
        AfxOleSetUserCtrl(TRUE);
    }
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    Start(app, {});
    EXPECT_FALSE(servedInLoop_) << "a user's instance is never handed to a client";
    EXPECT_EQ(DefaultValue("Varnel.Application\\CLSID"), "{36441365-33C3-423D-9CFE-E48DDBEBE91A}");
    EXPECT_EQ(DefaultValue(kServerKey), self) << "this program is the server";
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, kServerKey, REG_SZ, "/old/Varnel", 0), ERROR_SUCCESS);
    Start(app, {"notes.txt"});
    EXPECT_EQ(DefaultValue(kServerKey), self) << "every start";
}

TEST_F(Application, InitInstanceRunsTheMainDialogAndReturnsFalse)
{
    CVarnelApp app;
    bool ran = false;
    afxtest::ModalScript script;
    script.Then([&](CDialog& dialog) {
        ran = true;
        EXPECT_EQ(AfxGetMainWnd(), &dialog) << "the main window is set before the dialog runs";
        EXPECT_TRUE(dialog.IsKindOf(RUNTIME_CLASS(CVarnelDlg)));
        afxtest::Click(&dialog, IDCANCEL);
    });
    EXPECT_FALSE(app.InitInstance());
    AfxOleTerm();  // the framework's entry point does this after ExitInstance
    EXPECT_TRUE(ran);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
}

TEST_F(Application, InitInstanceMakesTheEnginesVoiceKnownByName)
{
    ASSERT_TRUE(com::UnregisterInprocClass(CLSID_SpVoice));  // the fixture registered it
    CVarnelApp app;
    Start(app, {});
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"SAPI.SpVoice", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_SpVoice);
}

TEST_F(Application, RuntimeClassOfTheDialog)
{
    const CRuntimeClass* cls = RUNTIME_CLASS(CVarnelDlg);
    EXPECT_STREQ(cls->m_lpszClassName, "CVarnelDlg");
    EXPECT_EQ(cls->m_pBaseClass, RUNTIME_CLASS(CDialog));
    EXPECT_EQ(cls->CreateObject(), nullptr) << "not creatable by name";
}

TEST_F(Application, HelpAndVersionPrintWithoutADialog)
{
    CVarnelApp app;
    for (const char* option : {"--help", "--version"}) {
        const char* argv[] = {"/opt/varnel/Varnel", option, nullptr};
        ASSERT_TRUE(AfxWinInit(2, const_cast<char**>(argv)));
        bool dialogRan = false;
        afxtest::ModalScript script;
        script.Then([&](CDialog& dialog) {
            dialogRan = true;
            afxtest::Click(&dialog, IDCANCEL);
        });
        ::testing::internal::CaptureStdout();
        EXPECT_FALSE(app.InitInstance());
        const std::string out = ::testing::internal::GetCapturedStdout();
        EXPECT_FALSE(dialogRan) << option;
        EXPECT_EQ(out, option == std::string("--help") ? StartHelpText() : StartVersionText());
        EXPECT_EQ(DefaultValue(kServerKey), std::nullopt) << "nothing registered";
    }
}

}  // namespace
