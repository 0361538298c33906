// The program's resources as registered with the framework.
#include "res/resources.h"

#include <gtest/gtest.h>

#include <vector>

#include "AboutDlg.h"
#include "gui_fixture.h"
#include "res/resource.h"

namespace {

class Resources : public gui_test::GuiTest {};

TEST_F(Resources, StringsAreThoseOfTheTable)
{
    CString ole, about;
    ASSERT_TRUE(ole.LoadString(IDP_OLE_INIT_FAILED));
    EXPECT_EQ(ole, CString(u"OLE 程序初始化失败。请确认 OLE 库程序是正确的版本。"));
    ASSERT_TRUE(about.LoadString(IDS_ABOUTBOX));
    EXPECT_EQ(about, CString(u"关于 Varnel(&A)..."));
}

TEST_F(Resources, TemplatesHoldEveryControl)
{
    const AFX_DLGTEMPLATE* main = AfxFindDialogTemplate(IDD_VARNEL_DIALOG);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->items.size(), 30u);
    EXPECT_EQ(main->cx, 226);
    EXPECT_EQ(main->cy, 220);
    EXPECT_EQ(main->exStyle & WS_EX_APPWINDOW, static_cast<DWORD>(WS_EX_APPWINDOW));
    EXPECT_EQ(main->items[0].id, IDC_READ);
    const AFX_DLGTEMPLATE* about = AfxFindDialogTemplate(IDD_ABOUTBOX);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->items.size(), 4u);
    EXPECT_STREQ(about->items[0].text, "#128");
}

TEST_F(Resources, PauseComesLastSoEveryOlderControlKeepsItsPlace)
{
    const AFX_DLGTEMPLATE* main = AfxFindDialogTemplate(IDD_VARNEL_DIALOG);
    ASSERT_NE(main, nullptr);
    std::vector<int> ids;
    for (const auto& item : main->items) ids.push_back(item.id);
    const std::vector<int> expected = {
        IDC_READ,   IDOK,          IDCANCEL,       IDC_SPEAK_ENGLISH, IDC_INPUT_TEXT,       IDC_STOP,
        IDC_RATE_UP, IDC_RATE_DOWN, IDC_VOLUME_UP, IDC_VOLUME_DOWN,   IDC_STATIC,           IDC_STATIC,
        IDC_RATE,   IDC_VOLUME,    IDC_STATIC,     IDC_VOICE,         IDC_VOICE_NAMES,      IDC_ENGLISH,
        IDC_CHINESE, IDC_SPEAK_CHINESE, IDC_STATIC, IDC_STATIC,       IDC_INPUT_FILE_CHECK, IDC_INPUT_FILE,
        IDC_STATIC, IDC_LOOP,      IDC_EXPORT_WAV, IDC_BROWSE,        IDC_HELP_INFO,        IDC_PAUSE};
    EXPECT_EQ(ids, expected);
    const auto& pause = main->items.back();
    EXPECT_STREQ(pause.text, "&Pause");
    EXPECT_EQ(pause.style & WS_DISABLED, static_cast<DWORD>(WS_DISABLED)) << "nothing to pause at start";
    EXPECT_EQ(pause.style & WS_TABSTOP, static_cast<DWORD>(WS_TABSTOP));
    // The bottom row, left of Help, clear of it and of the dialog's edge.
    EXPECT_EQ(pause.y, 195);
    EXPECT_GT(pause.x, 0);
    EXPECT_LE(pause.x + pause.cx, 79);
    const auto& text = main->items[4];
    EXPECT_EQ(text.style & ES_NOHIDESEL, static_cast<DWORD>(ES_NOHIDESEL)) << "the spoken word stays shown";
}

TEST_F(Resources, TheIconExists)
{
    EXPECT_NE(AfxLoadIcon(IDR_MAINFRAME), nullptr);
}

TEST_F(Resources, TheAboutBoxClosesByButtonEscapeAndCloseBox)
{
    for (int way = 0; way < 3; ++way) {
        afxtest::ModalScript script;
        script.Then([way](CDialog& about) {
            EXPECT_TRUE(afxtest::IsDefaultButton(&about, IDOK));
            if (way == 0) afxtest::Click(&about, IDOK);
            if (way == 1) afxtest::PressKey(&about, afxtest::Key::Escape);
            if (way == 2) afxtest::CloseWindow(&about);
        });
        CAboutDlg about;
        EXPECT_EQ(about.DoModal(), way == 0 ? IDOK : IDCANCEL) << way;
    }
}

}  // namespace
