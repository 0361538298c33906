#include "test_dialog.h"

using namespace mfc_test;

namespace {

class DataExchangeTest : public GuiTest {
protected:
    // Runs `body` inside the shown main test dialog.
    void InDialog(CTestDlg& dialog, std::function<void(CDialog&)> body)
    {
        afxtest::ModalScript script;
        script.Then(std::move(body));
        dialog.DoModal();
    }
    static int SelectionLength(CDialog& dlg, int id)
    {
        int start = 0, end = 0;
        static_cast<CEdit*>(dlg.GetDlgItem(id))->GetSel(start, end);
        return end - start;
    }
};

}  // namespace

TEST_F(DataExchangeTest, ShowingThenTakingRoundTrips)
{
    CTestDlg dialog;
    dialog.m_text = "line one\r\nline two";
    dialog.m_rate = -5;
    dialog.m_volume = 40;
    dialog.m_check = 1;
    dialog.m_path = "/tmp/a b.txt";
    dialog.m_loop = 3;
    InDialog(dialog, [&](CDialog& dlg) {
        CString shown;
        dlg.GetDlgItemText(kRate, shown);
        EXPECT_EQ(shown, "-5");
        EXPECT_EQ(dlg.IsDlgButtonChecked(kCheck), 1u);
        dialog.m_text.Empty();
        dialog.m_rate = 0;
        EXPECT_TRUE(dlg.UpdateData(TRUE));
    });
    EXPECT_EQ(dialog.m_text, "line one\r\nline two");
    EXPECT_EQ(dialog.m_rate, -5);
    EXPECT_EQ(dialog.m_volume, 40);
    EXPECT_EQ(dialog.m_check, 1);
    EXPECT_EQ(dialog.m_path, "/tmp/a b.txt");
    EXPECT_EQ(dialog.m_loop, 3);
}

TEST_F(DataExchangeTest, IntegersAcceptBlanksAndASignOnly)
{
    CTestDlg dialog;
    afxtest::MessageBoxHook boxes;
    InDialog(dialog, [&](CDialog& dlg) {
        const struct {
            const char* text;
            bool ok;
            int value;
        } cases[] = {{" 7 ", true, 7},   {"+7", true, 7},  {"-10", true, -10}, {"", false, 0},      {"7x", false, 0},
                     {"1 2", false, 0},  {"--1", false, 0}, {"+-1", false, 0}, {"0x10", false, 0}, {"99999999999", false, 0}};
        for (const auto& c : cases) {
            dialog.m_rate = 1234;
            afxtest::Type(&dlg, kRate, c.text);
            boxes.Clear();
            const BOOL ok = dlg.UpdateData(TRUE);
            if (c.ok) {
                EXPECT_TRUE(ok) << c.text;
                EXPECT_EQ(dialog.m_rate, c.value) << c.text;
                EXPECT_TRUE(boxes.Calls().empty()) << c.text;
            } else {
                EXPECT_FALSE(ok) << c.text;
                EXPECT_EQ(dialog.m_rate, 1234) << "member kept for " << c.text;
                ASSERT_EQ(boxes.Calls().size(), 1u) << c.text;
                EXPECT_EQ(boxes.Calls()[0].text, "Please enter an integer.");
                EXPECT_EQ(afxtest::FocusedControlId(&dlg), kRate);
                EXPECT_EQ(SelectionLength(dlg, kRate), static_cast<int>(strlen(c.text)));
            }
        }
    });
}

TEST_F(DataExchangeTest, OutOfRangeIsStoredThenReportedAndTheExchangeStops)
{
    CTestDlg dialog;
    afxtest::MessageBoxHook boxes;
    InDialog(dialog, [&](CDialog& dlg) {
        afxtest::Type(&dlg, kVolume, "150");
        afxtest::Type(&dlg, kPath, "ignored");  // disabled: nothing typed
        dlg.SetDlgItemText(kPath, "/later/binding");
        afxtest::Type(&dlg, kLoop, "0");
        EXPECT_FALSE(dlg.UpdateData(TRUE));
        EXPECT_EQ(dialog.m_volume, 150);
        EXPECT_EQ(dialog.m_path, "");  // bindings after the failing one are not taken
        ASSERT_EQ(boxes.Calls().size(), 1u);
        EXPECT_EQ(boxes.Calls()[0].text, "Please enter an integer between 0 and 100.");
        EXPECT_EQ(boxes.Calls()[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
        EXPECT_EQ(afxtest::FocusedControlId(&dlg), kVolume);
        EXPECT_EQ(SelectionLength(dlg, kVolume), 3);

        afxtest::Type(&dlg, kVolume, "100");
        boxes.Clear();
        EXPECT_FALSE(dlg.UpdateData(TRUE));
        EXPECT_EQ(dialog.m_loop, 0);
        ASSERT_EQ(boxes.Calls().size(), 1u);
        EXPECT_EQ(boxes.Calls()[0].text, "Please enter an integer between 1 and 999.");
        EXPECT_EQ(dialog.m_path, "/later/binding");
    });
}

TEST_F(DataExchangeTest, ShowingNeverValidates)
{
    CTestDlg dialog;
    afxtest::MessageBoxHook boxes;
    dialog.m_rate = 10;
    dialog.m_volume = 10;
    dialog.m_loop = 10;
    InDialog(dialog, [&](CDialog& dlg) {
        dialog.m_loop = 5000;
        EXPECT_TRUE(dlg.UpdateData(FALSE));
        CString shown;
        dlg.GetDlgItemText(kLoop, shown);
        EXPECT_EQ(shown, "5000");
    });
    EXPECT_TRUE(boxes.Calls().empty());
}

TEST_F(DataExchangeTest, CheckStatesOutsideTheRangeShowUncheckedAndResetTheMember)
{
    CTestDlg dialog;
    dialog.m_check = 10;
    InDialog(dialog, [&](CDialog& dlg) {
        EXPECT_EQ(dialog.m_check, 0);
        EXPECT_EQ(dlg.IsDlgButtonChecked(kCheck), 0u);
        dialog.m_check = 2;
        dlg.UpdateData(FALSE);
        EXPECT_EQ(dlg.IsDlgButtonChecked(kCheck), 2u);
        dialog.m_check = -1;
        dlg.UpdateData(FALSE);
        EXPECT_EQ(dialog.m_check, 0);
        afxtest::Click(&dlg, kCheck);
        dlg.UpdateData(TRUE);
        EXPECT_EQ(dialog.m_check, 1);
    });
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"init", "check"}));
}
