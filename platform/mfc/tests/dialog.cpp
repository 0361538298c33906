#include "test_dialog.h"

#include <afxdisp.h>

using namespace mfc_test;

namespace {

using Log = std::vector<std::string>;

class DialogTest : public GuiTest {};

}  // namespace

TEST_F(DialogTest, MissingTemplateFailsWithMinusOne)
{
    CDialog dialog(4242);
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST_F(DialogTest, InitShowsTheDialogAndFocusesTheFirstTabStop)
{
    afxtest::ModalScript script;
    CTestDlg dialog;
    bool ran = false;
    script.Then([&](CDialog& dlg) {
        ran = true;
        EXPECT_EQ(&dlg, &dialog);
        EXPECT_TRUE(dlg.IsWindowVisible());
        EXPECT_EQ(afxtest::FocusedControlId(&dlg), kRead);
        CString caption;
        dlg.GetWindowText(caption);
        EXPECT_EQ(caption, "Tesorin");
        dlg.EndDialog(IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(ran);
    EXPECT_EQ(dialog.log, (Log{"init"}));
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.m_textEdit.m_hWnd, nullptr);  // control objects are detached with the window
}

TEST_F(DialogTest, EnterIssuesTheDefaultButtonUnlessAnotherPushButtonHasTheFocus)
{
    afxtest::ModalScript script;
    CTestDlg dialog;
    script.Then([&](CDialog& dlg) {
        afxtest::Focus(&dlg, kRate);
        afxtest::PressKey(&dlg, afxtest::Key::Enter);
        afxtest::Focus(&dlg, kText);  // a multi-line edit without ES_WANTRETURN passes Enter on
        afxtest::PressKey(&dlg, afxtest::Key::Enter);
        afxtest::Focus(&dlg, kStop);
        afxtest::PressKey(&dlg, afxtest::Key::Enter);
        afxtest::Focus(&dlg, kCheck);
        afxtest::PressKey(&dlg, afxtest::Key::Enter);
    });
    EXPECT_EQ(dialog.DoModal(), IDABORT);  // left open by the step
    EXPECT_EQ(dialog.log, (Log{"init", "read", "read done", "read", "read done", "stop", "read", "read done"}));
    EXPECT_EQ(dialog.m_text, "");  // Enter made no line break
}

TEST_F(DialogTest, LineBreaksInMultiLineEditsArriveAsCrLf)
{
    afxtest::ModalScript script;
    CTestDlg dialog;
    CString wantReturn, text;
    script.Then([&](CDialog& dlg) {
        afxtest::Type(&dlg, kWantReturn, "a");
        afxtest::PressKey(&dlg, afxtest::Key::Enter);  // taken by the ES_WANTRETURN edit
        dlg.GetDlgItemText(kWantReturn, wantReturn);
        afxtest::Type(&dlg, kText, "one\r\ntwo");
        afxtest::PressKey(&dlg, afxtest::Key::CtrlEnter);
        dlg.GetDlgItemText(kText, text);
        dlg.EndDialog(IDCANCEL);
    });
    dialog.DoModal();
    EXPECT_EQ(wantReturn, "a\r\n");
    EXPECT_EQ(text, "one\r\ntwo\r\n");
    EXPECT_EQ(dialog.log, (Log{"init"}));
}

TEST_F(DialogTest, EscapeCloseBoxAndAltF4AllIssueCancel)
{
    for (int way = 0; way < 3; ++way) {
        afxtest::ModalScript script;
        CTestDlg dialog;
        script.Then([&](CDialog& dlg) {
            if (way == 0) afxtest::PressKey(&dlg, afxtest::Key::Escape);
            if (way == 1) afxtest::CloseWindow(&dlg);
            if (way == 2) afxtest::PressKey(&dlg, afxtest::Key::AltF4);
        });
        EXPECT_EQ(dialog.DoModal(), IDCANCEL) << way;
        const Log expected[] = {{"init", "cancel"}, {"init", "close", "cancel"}, {"init", "syscommand 61536", "close", "cancel"}};
        EXPECT_EQ(dialog.log, expected[way]) << way;
    }
}

TEST_F(DialogTest, HidingDoesNotEndTheModalLoop)
{
    afxtest::ModalScript script;
    CTestDlg dialog;
    dialog.canExit = false;
    bool stillRunning = false;
    script.Then([&](CDialog& dlg) {
        afxtest::PressKey(&dlg, afxtest::Key::Escape);  // hides instead of closing
        EXPECT_FALSE(dlg.IsWindowVisible());
        stillRunning = dlg.m_hWnd != nullptr;
        dialog.canExit = true;
        dlg.SendMessage(WM_CLOSE);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(stillRunning);
    EXPECT_EQ(dialog.log, (Log{"init", "cancel", "close", "cancel"}));
}

TEST_F(DialogTest, HiddenButtonsAreReachableOnlyByTheirCommand)
{
    afxtest::ModalScript script;
    CTestDlg dialog;
    script.Then([&](CDialog& dlg) {
        EXPECT_FALSE(afxtest::IsControlShown(&dlg, kHiddenTest));
        EXPECT_FALSE(afxtest::Click(&dlg, kHiddenTest));
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(kHiddenTest, BN_CLICKED));
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(kHiddenOk, BN_CLICKED));  // IDOK: OnOK, takes and ends
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.log, (Log{"init", "hidden", "ok"}));
}

TEST_F(DialogTest, OkStaysOpenWhenTheTakeFails)
{
    afxtest::ModalScript script;
    afxtest::MessageBoxHook boxes;
    CTestDlg dialog;
    script.Then([&](CDialog& dlg) {
        afxtest::Type(&dlg, kRate, "fast");
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
        EXPECT_TRUE(dlg.IsWindowVisible());
        afxtest::Type(&dlg, kRate, "3");
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(dialog.m_rate, 3);
}

TEST_F(DialogTest, EndDialogDuringInitNeverShowsTheWindow)
{
    afxtest::ModalScript script;
    CTestDlg dialog;
    dialog.onInit = [&] {
        dialog.EndDialog(77);
        return TRUE;
    };
    script.Then([](CDialog&) { ADD_FAILURE() << "the loop must not run"; });
    EXPECT_EQ(dialog.DoModal(), 77);
    EXPECT_EQ(script.Pending(), 1);
}

TEST_F(DialogTest, AnExceptionDuringInitIsReportedAndTheDialogStillOpens)
{
    afxtest::ModalScript script;
    afxtest::MessageBoxHook boxes;
    CTestDlg dialog;
    dialog.onInit = []() -> BOOL { AfxThrowOleDispatchException(0, "No voice installed"); };
    bool opened = false;
    script.Then([&](CDialog& dlg) {
        opened = dlg.IsWindowVisible();
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(opened);
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(boxes.Calls()[0].text, "No voice installed");
    EXPECT_EQ(boxes.Calls()[0].caption, "TestApp");
}

TEST_F(DialogTest, WithoutAStepTheDialogEndsAtOnceOffscreen)
{
    CTestDlg dialog;
    EXPECT_EQ(dialog.DoModal(), IDABORT);
}

TEST_F(DialogTest, ShowWindowAndIconic)
{
    afxtest::ModalScript script;
    CTestDlg dialog;
    script.Then([&](CDialog& dlg) {
        EXPECT_FALSE(dlg.IsIconic());
        EXPECT_TRUE(dlg.ShowWindow(SW_MINIMIZE));
        EXPECT_TRUE(dlg.IsIconic());
        dlg.ShowWindow(SW_RESTORE);
        EXPECT_FALSE(dlg.IsIconic());
        EXPECT_TRUE(dlg.ShowWindow(SW_HIDE));
        EXPECT_FALSE(dlg.ShowWindow(SW_SHOW));
        EXPECT_TRUE(dlg.IsWindowVisible());
        HICON icon = AfxGetApp()->LoadIcon(9128);
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(dlg.SetIcon(icon, TRUE), nullptr);
        dlg.SetIcon(icon, FALSE);
        EXPECT_EQ(dlg.GetIcon(TRUE), icon);
        EXPECT_EQ(dlg.SendMessage(WM_ICONERASEBKGND), 0);
    });
    dialog.DoModal();
}

TEST_F(DialogTest, CallsOnAnObjectWithoutAWindowDoNothing)
{
    CWnd none;
    CComboBox combo;
    CEdit edit;
    CButton check;
    EXPECT_EQ(none.SendMessage(WM_COMMAND, 1), 0);
    EXPECT_EQ(none.GetDlgItem(1), nullptr);
    EXPECT_FALSE(none.ShowWindow(SW_SHOW));
    CString text("kept");
    none.GetWindowText(text);
    EXPECT_EQ(text, "");
    EXPECT_EQ(combo.AddString("x"), CB_ERR);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    EXPECT_EQ(combo.GetCount(), CB_ERR);
    edit.SetSel(0, -1);
    EXPECT_EQ(check.GetCheck(), 0);
    EXPECT_EQ(none.GetSystemMenu(FALSE), nullptr);
    EXPECT_EQ(::SendMessageA(reinterpret_cast<HWND>(&none), CB_GETCURSEL, 0, 0), 0);  // not a window
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(&none)));
}
