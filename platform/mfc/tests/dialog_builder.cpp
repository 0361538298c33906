#include "test_dialog.h"

#include <QFontDatabase>

using namespace mfc_test;

namespace {

class TemplateTest : public GuiTest {};

int Px(int units, int base, int divisor) { return (units * base + divisor / 2) / divisor; }

}  // namespace

TEST_F(TemplateTest, DialogUnitsBecomePixelsThroughTheFontsAverageCharacter)
{
    afxtest::ModalScript script;
    CTestDlg dialog;
    script.Then([&](CDialog& dlg) {
        const SIZE base = afxtest::DialogBaseUnits(&dlg);
        ASSERT_GT(base.cx, 2);
        ASSERT_GT(base.cy, 8);
        RECT client;
        dlg.GetClientRect(&client);
        EXPECT_EQ(client.right, Px(226, base.cx, 4));
        EXPECT_EQ(client.bottom, Px(220, base.cy, 8));
        RECT read;
        ASSERT_TRUE(afxtest::GetControlRect(&dlg, kRead, &read));
        EXPECT_EQ(read.left, Px(56, base.cx, 4));
        EXPECT_EQ(read.top, Px(175, base.cy, 8));
        EXPECT_EQ(read.right - read.left, Px(50, base.cx, 4));
        EXPECT_EQ(read.bottom - read.top, Px(14, base.cy, 8));
        RECT text;
        ASSERT_TRUE(afxtest::GetControlRect(&dlg, kText, &text));
        EXPECT_EQ(text.right - text.left, Px(200, base.cx, 4));
        EXPECT_EQ(text.bottom - text.top, Px(73, base.cy, 8));
        RECT combo;
        ASSERT_TRUE(afxtest::GetControlRect(&dlg, kVoices, &combo));
        EXPECT_LT(combo.bottom - combo.top, Px(109, base.cy, 8));  // cy is the dropped list's height
    });
    dialog.DoModal();
}

TEST_F(TemplateTest, TheNamedFaceFallsBackToTheInstalledCjkFont)
{
    if (!QFontDatabase::hasFamily(QStringLiteral("WenQuanYi Micro Hei"))) GTEST_SKIP() << "fonts-wqy-microhei missing";
    afxtest::ModalScript script;
    CTestDlg dialog;
    script.Then([&](CDialog& dlg) { EXPECT_EQ(afxtest::DialogFontFamily(&dlg), "WenQuanYi Micro Hei"); });
    dialog.DoModal();
}

TEST_F(TemplateTest, TemplateOrderIsTabOrderAndHiddenOrDisabledControlsAreSkipped)
{
    afxtest::ModalScript script;
    CTestDlg dialog;
    script.Then([&](CDialog& dlg) {
        EXPECT_EQ(afxtest::TabOrder(&dlg), (std::vector<int>{kRead, kExit, kText, kStop, kRate, kVolume, kVoices, kCheck, kLoop, kWantReturn}));
        EXPECT_FALSE(afxtest::IsControlShown(&dlg, kHiddenOk));
        EXPECT_FALSE(afxtest::IsControlShown(&dlg, kHiddenTest));
        EXPECT_TRUE(afxtest::IsControlShown(&dlg, kPath));
        EXPECT_FALSE(dlg.GetDlgItem(kPath)->IsWindowEnabled());
        EXPECT_TRUE(afxtest::IsDefaultButton(&dlg, kRead));
        EXPECT_EQ(dlg.GetDlgItem(4711), nullptr);
        afxtest::PressKey(&dlg, afxtest::Key::Tab);
        EXPECT_EQ(afxtest::FocusedControlId(&dlg), kExit);
        dlg.GetDlgItem(kPath)->EnableWindow(TRUE);
        dlg.GetDlgItem(kText)->EnableWindow(FALSE);
        EXPECT_EQ(afxtest::TabOrder(&dlg), (std::vector<int>{kRead, kExit, kStop, kRate, kVolume, kVoices, kCheck, kPath, kLoop, kWantReturn}));
    });
    dialog.DoModal();
}

TEST_F(TemplateTest, StaticsIconsAndMnemonics)
{
    afxtest::ModalScript script;
    CDialog about(kSmallDialog);
    script.Then([&](CDialog& dlg) {
        CString text;
        dlg.GetDlgItemText(1200, text);
        EXPECT_EQ(text, "A && B &x");  // the text as the template holds it
        EXPECT_TRUE(afxtest::IsDefaultButton(&dlg, IDOK));
        EXPECT_EQ(afxtest::TabOrder(&dlg), (std::vector<int>{IDOK}));
        afxtest::PressKey(&dlg, afxtest::Key::Enter);
    });
    EXPECT_EQ(about.DoModal(), IDOK);
}
