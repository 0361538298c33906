#include "gui_fixture.h"

namespace mfc_test {

namespace {
// Before main: no test may ever open a window on the user's display.
const bool offscreen = [] { return setenv("QT_QPA_PLATFORM", "offscreen", 1) == 0; }();
}  // namespace

namespace {

// A main dialog like the program's: default button first, hidden buttons, edits,
// combo box, check box, labels and group boxes.
const AFX_DLGITEM kMainItems[] = {
    {"Read", kRead, "BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 56, 175, 50, 14},
    {"&OK", kHiddenOk, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 210, 89, 13, 6},
    {"&Exit", kExit, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 159, 194, 53, 14},
    {"Speak English", kHiddenTest, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 191, 47, 32, 10},
    {"", kText, "EDIT", ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE, 11, 34, 200, 73},
    {"Stop", kStop, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 109, 175, 50, 14},
    {"Rate:", IDC_STATIC, "STATIC", SS_LEFT | WS_VISIBLE, 11, 126, 20, 17},
    {"", kRate, "EDIT", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE, 37, 121, 20, 17},
    {"", kVolume, "EDIT", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE, 142, 121, 20, 17},
    {"", kVoices, "COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_VISIBLE, 42, 151, 169, 109},
    {"Input Text", IDC_STATIC, "BUTTON", BS_GROUPBOX | WS_VISIBLE, 5, 22, 218, 93},
    {"&Input File:", kCheck, "BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE, 7, 9, 60, 10},
    {"", kPath, "EDIT", ES_AUTOHSCROLL | WS_BORDER | WS_DISABLED | WS_TABSTOP | WS_VISIBLE, 70, 8, 117, 14},
    {"", kLoop, "EDIT", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE, 29, 176, 20, 12},
    {"", kWantReturn, "EDIT", ES_MULTILINE | ES_WANTRETURN | WS_BORDER | WS_TABSTOP | WS_VISIBLE, 150, 60, 30, 30},
};
const AFX_DLGTEMPLATE kMain = {
    DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_EX_APPWINDOW,
    0, 0, 226, 220, "Tesorin", 9, "宋体", kMainItems};

const AFX_DLGITEM kSmallItems[] = {
    {"#9128", IDC_STATIC, "STATIC", SS_ICON | WS_VISIBLE, 11, 17, 20, 20},
    {"Varnel 1.0 版", IDC_STATIC, "STATIC", SS_LEFT | SS_NOPREFIX | WS_GROUP | WS_VISIBLE, 40, 10, 119, 8},
    {"A && B &x", 1200, "STATIC", SS_LEFT | WS_GROUP | WS_VISIBLE, 40, 25, 119, 8},
    {"确定", IDOK, "BUTTON", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP | WS_VISIBLE, 178, 7, 50, 14},
};
const AFX_DLGTEMPLATE kSmall = {DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 235, 55,
                                "关于 Varnel", 9, "宋体", kSmallItems};

const AFX_DLGITEM kPlainItems[] = {
    {"", 1300, "EDIT", WS_BORDER | WS_TABSTOP | WS_VISIBLE, 5, 5, 50, 12},
    {"", 1301, "COMBOBOX", CBS_DROPDOWNLIST | CBS_SORT | WS_TABSTOP | WS_VISIBLE, 5, 20, 50, 60},
};
const AFX_DLGTEMPLATE kNoSysMenu = {DS_MODALFRAME | WS_POPUP | WS_CAPTION, 0, 0, 0, 100, 40, "Plain", 0, nullptr, kPlainItems};

}  // namespace

void RegisterTestResources()
{
    AfxRegisterDialogTemplate(kMainDialog, kMain);
    AfxRegisterDialogTemplate(kSmallDialog, kSmall);
    AfxRegisterDialogTemplate(kNoSysMenuDialog, kNoSysMenu);
    AfxRegisterString(9101, "关于 Varnel(&A)...");
    static DWORD big[32 * 32];
    static DWORD small[16 * 16];
    for (DWORD& p : big) p = 0xFF2060C0u;
    for (DWORD& p : small) p = 0xFFC06020u;
    const AFX_ICONIMAGE images[] = {{32, 32, big}, {16, 16, small}};
    AfxRegisterIcon(9128, images);
}

}  // namespace mfc_test
