// Dialog 100: the About box.
#include <afxwin.h>

#include "resource.h"
#include "resources.h"

namespace {

const AFX_DLGITEM kItems[] = {
    {"#128", IDC_STATIC, "STATIC", WS_CHILD | SS_ICON | WS_VISIBLE, 11, 17, 20, 20},
    {"Varnel 1.0 版", IDC_STATIC, "STATIC", WS_CHILD | SS_LEFT | SS_NOPREFIX | WS_GROUP | WS_VISIBLE, 40, 10, 119, 8},
    {"文本朗读与 WAV 导出", IDC_STATIC, "STATIC", WS_CHILD | SS_LEFT | WS_GROUP | WS_VISIBLE, 40, 25, 119, 8},
    {"确定", IDOK, "BUTTON", WS_CHILD | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP | WS_VISIBLE, 178, 7, 50, 14},
};

const AFX_DLGTEMPLATE kAboutBox = {
    DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT,
    0, 0, 0, 235, 55, "关于 Varnel", 9, "宋体", kItems,
};

}  // namespace

void RegisterAboutDialog() { AfxRegisterDialogTemplate(IDD_ABOUTBOX, kAboutBox); }
