// Shared set-up of the program's tests: the offscreen Qt platform, fresh folders
// (set.ini, input.txt and the registry land there), COM on the test's thread, the
// program's resources and the engine's classes, and a check that no window is left
// behind.
#pragma once

#include <varnel/speech_classes.h>
#include <varnel/test_hooks.h>
#include <afxwin.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include <varnel/codepage.h>
#include <locale_guard.h>
#include <scratch_dir.h>

#include "res/resources.h"

namespace gui_test {

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

inline void WriteFile(const std::filesystem::path& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

// The build folder, where the programs and the test program live.
inline std::filesystem::path BuildDir()
{
    const char* dir = std::getenv("VARNEL_BUILD_DIR");
    return dir ? std::filesystem::path(dir) : std::filesystem::current_path();
}

class GuiTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        afxtest::EnsureGuiApplication();
        RegisterVarnelResources();
        RegisterSpeechClasses();
    }

    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }

    void TearDown() override
    {
        CoUninitialize();
        EXPECT_EQ(afxtest::TopLevelWindowCount(), 0) << "a window was left open";
    }

    testing_support::IsolatedEnvironment env_;
};

}  // namespace gui_test

#include "VarnelDlg.h"
#include "fake_voice.h"

namespace gui_test {

// The text of a dialog's control, in the ANSI code page.
inline CString ControlText(CWnd* dialog, int id)
{
    CString text;
    if (CWnd* control = dialog->GetDlgItem(id)) control->GetWindowText(text);
    return text;
}

inline BOOL IsEnabled(CWnd* dialog, int id)
{
    CWnd* control = dialog->GetDlgItem(id);
    return control && control->IsWindowEnabled();
}

inline int Selection(CWnd* dialog, int id)
{
    CWnd* control = dialog->GetDlgItem(id);
    return control ? static_cast<CComboBox*>(control)->GetCurSel() : -2;
}

// The main dialog with a voice of the tests' own (see fake_voice.h).
class DialogTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        RegisterFakeVoiceClass();
        ResetFakeVoice({"Alpha", "Bravo", "Charlie"});
        previousProgId_ = CVarnelDlg::s_voiceProgId;
        CVarnelDlg::s_voiceProgId = kFakeVoiceProgId;
    }
    void TearDown() override
    {
        CVarnelDlg::s_voiceProgId = previousProgId_;
        GuiTest::TearDown();
        EXPECT_EQ(FakeVoice().liveObjects, 0) << "the dialog released every speech object";
    }

    // Runs the dialog modally with one step inside its loop; the result of DoModal.
    INT_PTR Run(const std::function<void(CVarnelDlg&)>& step)
    {
        afxtest::ModalScript script;
        script.Then([&](CDialog& dialog) { step(static_cast<CVarnelDlg&>(dialog)); });
        CVarnelDlg dialog;
        return dialog.DoModal();
    }

    void WriteSettings(const std::string& lines) { WriteFile(env_.cwd() / "set.ini", "[Setting]\r\n" + lines); }

    const char* previousProgId_ = nullptr;
};

}  // namespace gui_test
