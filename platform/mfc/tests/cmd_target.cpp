#include "test_dialog.h"

using namespace mfc_test;

namespace {

using Log = std::vector<std::string>;

class CBaseTarget : public CCmdTarget {
public:
    Log log;
    afx_msg void OnFirst() { log.push_back("base first"); }
    afx_msg void OnSecond() { log.push_back("base second"); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CBaseTarget, CCmdTarget)
    ON_COMMAND(100, OnFirst)
    ON_COMMAND(101, OnSecond)
END_MESSAGE_MAP()

class CDerivedTarget : public CBaseTarget {
public:
    afx_msg void OnFirstHere() { log.push_back("derived first"); }
    afx_msg void OnChange() { log.push_back("derived change"); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CDerivedTarget, CBaseTarget)
    ON_COMMAND(100, OnFirstHere)
    ON_CBN_SELCHANGE(100, OnChange)
END_MESSAGE_MAP()

class CCommandApp : public CWinApp {
public:
    CCommandApp() : CWinApp("CommandApp") {}
    int helps = 0;
    afx_msg void OnAppHelp() { ++helps; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CCommandApp, CWinApp)
    ON_COMMAND(ID_HELP, OnAppHelp)
END_MESSAGE_MAP()

class CMessageDlg : public CTestDlg {
public:
    WPARAM seen = 0;
    afx_msg LRESULT OnPrivate(WPARAM wParam, LPARAM) { seen = wParam; return 99; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CMessageDlg, CTestDlg)
    ON_MESSAGE(WM_USER + 5, OnPrivate)
END_MESSAGE_MAP()

}  // namespace

TEST(MessageMap, DerivedEntriesComeFirstThenTheBase)
{
    CDerivedTarget target;
    EXPECT_TRUE(target.OnCmdMsg(100, 0));
    EXPECT_TRUE(target.OnCmdMsg(101, 0));
    EXPECT_TRUE(target.OnCmdMsg(100, CBN_SELCHANGE));
    EXPECT_FALSE(target.OnCmdMsg(102, 0));
    EXPECT_FALSE(target.OnCmdMsg(101, CBN_SELCHANGE));  // the code must match too
    EXPECT_EQ(target.log, (Log{"derived first", "base second", "derived change"}));
}

class CommandRoutingTest : public GuiTest {};

TEST_F(CommandRoutingTest, AnExceptionInAHandlerIsShownAndTheDialogStaysOpen)
{
    afxtest::ModalScript script;
    afxtest::MessageBoxHook boxes;
    CTestDlg dialog;
    dialog.onRead = [] { AfxThrowOleException(DISP_E_BADINDEX); };
    bool open = false;
    script.Then([&](CDialog& dlg) {
        afxtest::Click(&dlg, kRead);
        open = dlg.IsWindowVisible();
        dialog.onRead = [] {
            auto* e = new COleDispatchException("Index 5 is not in the collection", 0, 0);
            throw e;
        };
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(kRead, BN_CLICKED));
        afxtest::Click(&dlg, kStop);  // later commands still work
    });
    EXPECT_EQ(dialog.DoModal(), IDABORT);
    EXPECT_TRUE(open);
    EXPECT_EQ(dialog.log, (Log{"init", "read", "read", "stop"}));  // "read done" never ran
    ASSERT_EQ(boxes.Calls().size(), 2u);
    EXPECT_EQ(boxes.Calls()[0].text, "Invalid index.");
    EXPECT_EQ(boxes.Calls()[0].caption, "TestApp");
    EXPECT_EQ(boxes.Calls()[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes.Calls()[1].text, "Index 5 is not in the collection");
}

TEST_F(CommandRoutingTest, UnhandledCommandsReachTheApplication)
{
    CCommandApp app;
    afxtest::ModalScript script;
    CTestDlg dialog;
    LRESULT privateResult = 0;
    CMessageDlg messages;
    script.Then([&](CDialog& dlg) { dlg.SendMessage(WM_COMMAND, MAKEWPARAM(ID_HELP, 0)); })
        .Then([&](CDialog& dlg) { privateResult = dlg.SendMessage(WM_USER + 5, 12, 0); });
    dialog.DoModal();
    EXPECT_EQ(app.helps, 1);
    messages.DoModal();
    EXPECT_EQ(privateResult, 99);
    EXPECT_EQ(messages.seen, 12u);
}

TEST_F(CommandRoutingTest, ControlMessagesByHandle)
{
    afxtest::ModalScript script;
    CTestDlg dialog;
    script.Then([&](CDialog& dlg) {
        HWND combo = dlg.GetDlgItem(kVoices)->m_hWnd;
        ::SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Mary"));
        ::SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Mike"));
        EXPECT_EQ(::SendMessage(combo, CB_GETCURSEL, 0, 0), CB_ERR);
        ::SendMessage(combo, CB_SETCURSEL, 1, 0);
        EXPECT_EQ(::SendMessage(combo, CB_GETCURSEL, 0, 0), 1);
        EXPECT_EQ(dlg.SendDlgItemMessage(kVoices, CB_GETCOUNT), 2);
        char text[16] = {};
        EXPECT_EQ(::SendMessage(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text)), 4);
        EXPECT_STREQ(text, "Mary");
        EXPECT_TRUE(IsWindow(combo));
    });
    dialog.DoModal();
    EXPECT_EQ(dialog.log, (Log{"init"}));  // SetCurSel raised no CBN_SELCHANGE
}
