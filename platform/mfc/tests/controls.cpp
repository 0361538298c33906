#include "code_page.h"

#include <locale_guard.h>
#include "test_dialog.h"

using namespace mfc_test;
using testing_support::LocaleGuard;

namespace {

using Log = std::vector<std::string>;
class ControlsTest : public GuiTest {};

}  // namespace

TEST_F(ControlsTest, ComboBoxListAndSelection)
{
    afxtest::ModalScript script;
    CTestDlg dialog;
    script.Then([&](CDialog&) {
        CComboBox& voices = dialog.m_voices;
        EXPECT_EQ(voices.AddString("Mary"), 0);
        EXPECT_EQ(voices.AddString("Mike"), 1);
        EXPECT_EQ(voices.InsertString(0, "Sam"), 0);
        EXPECT_EQ(voices.InsertString(9, "x"), CB_ERR);
        EXPECT_EQ(voices.GetCount(), 3);
        EXPECT_EQ(voices.GetCurSel(), CB_ERR);
        EXPECT_EQ(voices.SetCurSel(2), 2);
        CString text;
        voices.GetLBText(2, text);
        EXPECT_EQ(text, "Mike");
        EXPECT_EQ(voices.GetLBTextLen(7), CB_ERR);
        voices.GetLBText(7, text);
        EXPECT_EQ(text, "");
        EXPECT_EQ(voices.FindStringExact(-1, "mary"), 1);
        EXPECT_EQ(voices.SetCurSel(5), CB_ERR);  // out of range clears the selection
        EXPECT_EQ(voices.GetCurSel(), CB_ERR);
        EXPECT_EQ(voices.DeleteString(0), 2);
        voices.ResetContent();
        EXPECT_EQ(voices.GetCount(), 0);
    });
    dialog.DoModal();
    EXPECT_EQ(dialog.log, (Log{"init"}));  // no notification from any of these
}

TEST_F(ControlsTest, SelChangeComesOnlyFromAUsersPick)
{
    afxtest::ModalScript script;
    CTestDlg dialog;
    script.Then([&](CDialog& dlg) {
        dialog.m_voices.AddString("Mary");
        dialog.m_voices.AddString("Mike");
        dialog.m_voices.SetCurSel(0);
        EXPECT_TRUE(afxtest::PickComboItem(&dlg, kVoices, 1));
        EXPECT_FALSE(afxtest::PickComboItem(&dlg, kVoices, 2));
        dialog.m_voices.SetCurSel(0);
    });
    dialog.DoModal();
    EXPECT_EQ(dialog.log, (Log{"init", "selchange 1"}));
}

TEST_F(ControlsTest, EditTextInTheCodePageWithCrLfLineBreaks)
{
    LocaleGuard locale("zh_CN.GBK");
    afxtest::ModalScript script;
    CTestDlg dialog;
    script.Then([&](CDialog&) {
        CEdit& edit = dialog.m_textEdit;
        const CString text = CString(kGbkBaiRi) + "\r\nab";
        edit.SetWindowText(text);
        CString back;
        edit.GetWindowText(back);
        EXPECT_EQ(back, text);
        EXPECT_EQ(edit.GetWindowTextLength(), text.GetLength());
        char small[4];
        EXPECT_EQ(edit.GetWindowText(small, sizeof small), 3);
        EXPECT_EQ(std::string(small), std::string(kGbkBaiRi, 3));
        edit.SetSel(0, -1);
        int start = -1, end = -1;
        edit.GetSel(start, end);
        EXPECT_EQ(start, 0);
        EXPECT_EQ(end, text.GetLength());
        edit.SetSel(4, 6);  // byte offsets: the CR LF after the two characters
        edit.GetSel(start, end);
        EXPECT_EQ(start, 4);
        EXPECT_EQ(end, 6);
        edit.ReplaceSel("|");
        edit.GetWindowText(back);
        EXPECT_EQ(back, CString(kGbkBaiRi) + "|ab");
        EXPECT_EQ(edit.GetLineCount(), 1);
    });
    dialog.DoModal();
}

TEST_F(ControlsTest, CheckBoxesAndButtonsAsAUserUsesThem)
{
    afxtest::ModalScript script;
    CTestDlg dialog;
    script.Then([&](CDialog& dlg) {
        auto* check = static_cast<CButton*>(dlg.GetDlgItem(kCheck));
        EXPECT_EQ(check->GetCheck(), BST_UNCHECKED);
        EXPECT_TRUE(afxtest::Click(&dlg, kCheck));
        EXPECT_EQ(check->GetCheck(), BST_CHECKED);
        check->SetCheck(BST_UNCHECKED);  // no notification
        dlg.GetDlgItem(kStop)->EnableWindow(FALSE);
        EXPECT_FALSE(afxtest::Click(&dlg, kStop));
        EXPECT_TRUE(dlg.GetDlgItem(kStop)->EnableWindow(TRUE));  // it was disabled
        EXPECT_FALSE(dlg.GetDlgItem(kStop)->EnableWindow(TRUE));
        EXPECT_TRUE(afxtest::Click(&dlg, kStop));
        EXPECT_FALSE(afxtest::Type(&dlg, kPath, "disabled"));
        dlg.GetDlgItem(kText)->SetFocus();
        EXPECT_EQ(CWnd::GetFocus(), &dialog.m_textEdit);
        EXPECT_EQ(CWnd::GetFocus()->GetDlgCtrlID(), kText);
    });
    dialog.DoModal();
    EXPECT_EQ(dialog.log, (Log{"init", "check", "stop"}));
}

TEST_F(ControlsTest, SortedComboBoxesInsertInOrder)
{
    afxtest::ModalScript script;
    CDialog plain(kNoSysMenuDialog);
    std::vector<std::string> rows;
    script.Then([&](CDialog& dlg) {
        auto* combo = static_cast<CComboBox*>(dlg.GetDlgItem(1301));
        EXPECT_EQ(combo->AddString("Mike"), 0);
        EXPECT_EQ(combo->AddString("anna"), 0);
        EXPECT_EQ(combo->AddString("Zoe"), 2);
        EXPECT_EQ(combo->AddString("Mary"), 1);
        for (int i = 0; i < combo->GetCount(); ++i) {
            CString text;
            combo->GetLBText(i, text);
            rows.emplace_back(text.GetString());
        }
    });
    plain.DoModal();
    EXPECT_EQ(rows, (std::vector<std::string>{"anna", "Mary", "Mike", "Zoe"}));
}
