// Window timers and mnemonic keys: WM_TIMER reaches the handler with its id until
// KillTimer, the same id restarts rather than doubles, and Alt with a caption's
// marked letter clicks that button only while it can be clicked.
#include "test_dialog.h"

#include <windows.h>

using namespace mfc_test;

namespace {

using Log = std::vector<std::string>;

class CTimerDlg : public CTestDlg {
public:
    std::vector<UINT_PTR> ticks;

protected:
    afx_msg void OnTimer(UINT_PTR id) { ticks.push_back(id); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTimerDlg, CTestDlg)
    ON_WM_TIMER()
END_MESSAGE_MAP()

// Runs the loop until the window has been given `count` more WM_TIMER messages.
void AwaitTicks(CWnd* window, int count)
{
    const int target = afxtest::TimerTicks(window) + count;
    while (afxtest::TimerTicks(window) < target) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        afxtest::ProcessPostedMessages();
    }
}

class Timers : public GuiTest {};

TEST_F(Timers, TicksCarryTheirIdsUntilKilled)
{
    afxtest::ModalScript script;
    CTimerDlg dialog;
    script.Then([&](CDialog& dlg) {
        EXPECT_EQ(dlg.SetTimer(7, 15, nullptr), 7u);
        EXPECT_EQ(dlg.SetTimer(7, 15, nullptr), 7u) << "the same id restarts the timer";
        EXPECT_EQ(dlg.SetTimer(0, 15, nullptr), 0u) << "id 0 is refused";
        AwaitTicks(&dlg, 3);
        ASSERT_GE(dialog.ticks.size(), 3u);
        for (UINT_PTR id : dialog.ticks) EXPECT_EQ(id, 7u);

        EXPECT_EQ(dlg.SetTimer(8, 15, nullptr), 8u);
        EXPECT_TRUE(dlg.KillTimer(7));
        EXPECT_FALSE(dlg.KillTimer(7)) << "already gone";
        dialog.ticks.clear();
        AwaitTicks(&dlg, 3);
        EXPECT_EQ(dialog.ticks, (std::vector<UINT_PTR>(dialog.ticks.size(), 8u))) << "only the live timer ticks";
        EXPECT_FALSE(dialog.ticks.empty());
        EXPECT_TRUE(dlg.KillTimer(8));
        // Left running would tick into a destroyed window; this one goes with the window.
        dlg.SetTimer(9, 15, nullptr);
    });
    EXPECT_EQ(dialog.DoModal(), IDABORT);
    CWnd unattached;
    EXPECT_EQ(unattached.SetTimer(1, 15, nullptr), 0u);
    EXPECT_FALSE(unattached.KillTimer(1));
}

TEST_F(Timers, AltWithAMarkedLetterClicksOnlyAnEnabledButton)
{
    afxtest::ModalScript script;
    CTestDlg dialog;
    script.Then([&](CDialog& dlg) {
        dlg.GetDlgItem(kStop)->SetWindowText("&Stop");
        EXPECT_TRUE(afxtest::PressAltKey(&dlg, 'S'));
        EXPECT_TRUE(afxtest::PressAltKey(&dlg, 'Q')) << "a letter nothing marks does nothing";
        dlg.GetDlgItem(kStop)->EnableWindow(FALSE);
        afxtest::PressAltKey(&dlg, 'S');
        dlg.GetDlgItem(kStop)->EnableWindow(TRUE);
        dlg.GetDlgItem(kStop)->SetWindowText("S&top");
        afxtest::PressAltKey(&dlg, 'S');  // no longer its letter
        afxtest::PressAltKey(&dlg, 'T');
        afxtest::PressAltKey(&dlg, 'E');  // "&Exit"
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.log, (Log{"init", "stop", "stop", "cancel"}));
}

}  // namespace
