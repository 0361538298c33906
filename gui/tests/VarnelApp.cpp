// Start-up: the application runs the main dialog modally and then ends.
#include "VarnelApp.h"

#include <afxdisp.h>

#include <gtest/gtest.h>

#include "VarnelDlg.h"
#include "gui_fixture.h"
#include "res/resource.h"

namespace {

class Application : public gui_test::DialogTest {};

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

TEST_F(Application, RuntimeClassOfTheDialog)
{
    const CRuntimeClass* cls = RUNTIME_CLASS(CVarnelDlg);
    EXPECT_STREQ(cls->m_lpszClassName, "CVarnelDlg");
    EXPECT_EQ(cls->m_pBaseClass, RUNTIME_CLASS(CDialog));
    EXPECT_EQ(cls->CreateObject(), nullptr) << "not creatable by name";
}

}  // namespace
