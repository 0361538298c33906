// The program's resources as registered with the framework.
#include "res/resources.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(main->items.size(), 29u);
    EXPECT_EQ(main->cx, 226);
    EXPECT_EQ(main->cy, 220);
    EXPECT_EQ(main->exStyle & WS_EX_APPWINDOW, static_cast<DWORD>(WS_EX_APPWINDOW));
    EXPECT_EQ(main->items[0].id, IDC_READ);
    const AFX_DLGTEMPLATE* about = AfxFindDialogTemplate(IDD_ABOUTBOX);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->items.size(), 4u);
    EXPECT_STREQ(about->items[0].text, "#128");
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
