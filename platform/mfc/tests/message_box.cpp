#include "test_dialog.h"

using namespace mfc_test;

namespace {
class MessageBoxTest : public GuiTest {};
}  // namespace

TEST_F(MessageBoxTest, AfxMessageBoxUsesTheApplicationNameAsCaption)
{
    afxtest::MessageBoxHook boxes([](const afxtest::MessageBoxCall&) { return IDNO; });
    EXPECT_EQ(AfxMessageBox("Save?", MB_YESNO | MB_ICONQUESTION), IDNO);
    AfxRegisterString(9950, "OLE 程序初始化失败。");
    EXPECT_EQ(AfxMessageBox(9950), IDNO);
    ASSERT_EQ(boxes.Calls().size(), 2u);
    EXPECT_EQ(boxes.Calls()[0].caption, "TestApp");
    EXPECT_EQ(boxes.Calls()[0].text, "Save?");
    EXPECT_EQ(boxes.Calls()[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(boxes.Calls()[1].text, CString("OLE 程序初始化失败。"));
}

TEST_F(MessageBoxTest, NestedHooksAndDefaultAnswers)
{
    afxtest::MessageBoxHook outer;
    {
        afxtest::MessageBoxHook inner([](const afxtest::MessageBoxCall&) { return IDCANCEL; });
        EXPECT_EQ(AfxMessageBox("a", MB_OKCANCEL), IDCANCEL);
        EXPECT_EQ(inner.Calls().size(), 1u);
    }
    EXPECT_EQ(AfxMessageBox("b", MB_OKCANCEL), IDOK);
    EXPECT_EQ(AfxMessageBox("c", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(outer.Calls().size(), 2u);
    EXPECT_EQ(afxtest::DefaultAnswer(MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
    EXPECT_EQ(afxtest::DefaultAnswer(MB_ABORTRETRYIGNORE | MB_DEFBUTTON3), IDIGNORE);
    EXPECT_EQ(afxtest::DefaultAnswer(MB_OK | MB_DEFBUTTON3), IDOK);  // no such button: the first
}

TEST_F(MessageBoxTest, CWndMessageBoxNamesItsOwner)
{
    afxtest::ModalScript script;
    afxtest::MessageBoxHook boxes;
    CTestDlg dialog;
    HWND owner = nullptr;
    script.Then([&](CDialog& dlg) {
        owner = dlg.m_hWnd;
        dlg.MessageBox("For Supporting Chinese/Japanese Speech, Please Download and \nInstall", "Info", MB_OK);
        dlg.MessageBox("no caption");
        AfxMessageBox("from the framework");
    });
    dialog.DoModal();
    ASSERT_EQ(boxes.Calls().size(), 3u);
    EXPECT_EQ(boxes.Calls()[0].owner, owner);
    EXPECT_EQ(boxes.Calls()[0].caption, "Info");
    EXPECT_EQ(boxes.Calls()[1].caption, "TestApp");
    EXPECT_EQ(boxes.Calls()[2].owner, owner);  // the active dialog
}

TEST_F(MessageBoxTest, WaitCursorIsCounted)
{
    EXPECT_FALSE(afxtest::IsWaitCursorShown());
    {
        CWaitCursor wait;
        EXPECT_TRUE(afxtest::IsWaitCursorShown());
        {
            CWaitCursor inner;
        }
        EXPECT_TRUE(afxtest::IsWaitCursorShown());
    }
    EXPECT_FALSE(afxtest::IsWaitCursorShown());
    app_.EndWaitCursor();  // an extra end is harmless
    EXPECT_FALSE(afxtest::IsWaitCursorShown());
}

TEST_F(MessageBoxTest, WithoutAHookNobodyIsWaitedForOffscreen)
{
    EXPECT_EQ(AfxMessageBox("unanswered", MB_YESNO | MB_DEFBUTTON2), IDNO);  // its default button
}
