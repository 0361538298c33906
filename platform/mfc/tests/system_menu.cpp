#include "test_dialog.h"

using namespace mfc_test;

namespace {

using Log = std::vector<std::string>;
class SystemMenuTest : public GuiTest {};

}  // namespace

TEST_F(SystemMenuTest, AltSpaceOpensTheMenuWithTheAppendedItems)
{
    afxtest::ModalScript script;
    CTestDlg dialog;
    std::vector<afxtest::MenuItem> items;
    script.Then([&](CDialog& dlg) {
        EXPECT_FALSE(afxtest::IsSystemMenuOpen(&dlg));
        afxtest::PressKey(&dlg, afxtest::Key::AltSpace);
        EXPECT_TRUE(afxtest::IsSystemMenuOpen(&dlg));
        items = afxtest::SystemMenuItems(&dlg);
        CMenu* menu = dlg.GetSystemMenu(FALSE);
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->GetMenuItemCount(), 6u);
        EXPECT_EQ(menu->GetMenuItemID(5), 0x10u);
    });
    dialog.DoModal();
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0].id, static_cast<UINT>(SC_RESTORE));
    EXPECT_FALSE(items[0].enabled);  // not minimised
    EXPECT_EQ(items[1].id, static_cast<UINT>(SC_MINIMIZE));
    EXPECT_TRUE(items[2].separator);
    EXPECT_EQ(items[3].id, static_cast<UINT>(SC_CLOSE));
    EXPECT_TRUE(items[4].separator);
    EXPECT_EQ(items[5].id, 0x10u);
    EXPECT_EQ(items[5].text, CString("关于 Varnel(&A)..."));
}

TEST_F(SystemMenuTest, AnAppendedItemReachesOnSysCommandAndOpensANestedDialog)
{
    afxtest::ModalScript script;
    CTestDlg dialog;
    bool aboutShown = false;
    script
        .Then([&](CDialog& dlg) {
            EXPECT_TRUE(afxtest::RightClickBackground(&dlg));
            EXPECT_TRUE(afxtest::ChooseSystemMenuItem(&dlg, 0x10));
            EXPECT_FALSE(afxtest::IsSystemMenuOpen(&dlg));
            EXPECT_TRUE(dlg.IsWindowVisible());  // back from the About box, unchanged
            afxtest::ChooseSystemMenuItem(&dlg, SC_CLOSE);
        })
        .Then([&](CDialog& about) {
            aboutShown = about.IsWindowVisible();
            afxtest::PressKey(&about, afxtest::Key::Escape);
        });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(aboutShown);
    EXPECT_EQ(dialog.log, (Log{"init", "syscommand 16", "syscommand 61536", "close", "cancel"}));
}

TEST_F(SystemMenuTest, MinimizeAndRestoreThroughTheMenu)
{
    afxtest::ModalScript script;
    CTestDlg dialog;
    script.Then([&](CDialog& dlg) {
        EXPECT_FALSE(afxtest::ChooseSystemMenuItem(&dlg, SC_RESTORE));  // disabled while shown normally
        EXPECT_TRUE(afxtest::ChooseSystemMenuItem(&dlg, SC_MINIMIZE));
        EXPECT_TRUE(dlg.IsIconic());
        EXPECT_TRUE(afxtest::ChooseSystemMenuItem(&dlg, SC_RESTORE));
        EXPECT_FALSE(dlg.IsIconic());
        EXPECT_FALSE(afxtest::ChooseSystemMenuItem(&dlg, 0x4242));
    });
    dialog.DoModal();
}

TEST_F(SystemMenuTest, NoMenuWithoutSysMenuStyleAndCloseOnlyWithoutMinimizeBox)
{
    afxtest::ModalScript script;
    CDialog plain(kNoSysMenuDialog);
    CDialog about(kSmallDialog);
    std::vector<afxtest::MenuItem> items;
    script.Then([&](CDialog& dlg) {
              EXPECT_EQ(dlg.GetSystemMenu(FALSE), nullptr);
              EXPECT_FALSE(afxtest::RightClickBackground(&dlg));
          })
        .Then([&](CDialog& dlg) {
            afxtest::PressKey(&dlg, afxtest::Key::AltSpace);
            items = afxtest::SystemMenuItems(&dlg);
        });
    plain.DoModal();
    about.DoModal();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].id, static_cast<UINT>(SC_CLOSE));
}
