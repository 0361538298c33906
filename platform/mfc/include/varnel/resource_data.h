// Program resources as C++ data: dialog templates, string table, icons.
// A program registers its resources once, before they are used (for example from
// the application object's constructor, or from static registrars in the same
// executable). Registering an id again replaces the earlier resource. Every
// registration copies what it is given. Texts are UTF-8 (the resources' own
// encoding); the framework hands them to the program in the ANSI code page.
#pragma once

#include <afx.h>
#include <winuser.h>

#include <span>

// One control of a dialog template, in the order of the resource script's CONTROL
// statement. windowClass: "BUTTON", "EDIT", "STATIC" or "COMBOBOX". style holds every
// style bit: WS_VISIBLE (absent: the control is hidden), WS_TABSTOP, WS_GROUP,
// WS_DISABLED, WS_BORDER, WS_VSCROLL and the class's own (BS_*, ES_*, SS_*, CBS_*).
// For an SS_ICON static, text names the icon: "#128".
struct AFX_DLGITEM {
    const char* text;
    int id;                 // IDC_STATIC (-1) for controls never addressed
    const char* windowClass;
    DWORD style;
    short x, y, cx, cy;     // dialog units
    DWORD exStyle = 0;
};

// A dialog template. Controls in template order, which is also the tab order.
struct AFX_DLGTEMPLATE {
    DWORD style;            // DS_MODALFRAME, WS_POPUP, WS_CAPTION, WS_SYSMENU, WS_MINIMIZEBOX, WS_VISIBLE, DS_SETFONT ...
    DWORD exStyle;          // WS_EX_APPWINDOW ...
    short x, y, cx, cy;     // dialog units
    const char* caption;
    WORD pointSize;         // dialog font (DS_SETFONT)
    const char* typeFace;   // asked for first; an installed CJK font is the fallback
    std::span<const AFX_DLGITEM> items;
};

// One image of an icon: width x height pixels, rows top-down, 0xAARRGGBB each.
struct AFX_ICONIMAGE {
    int width;
    int height;
    std::span<const DWORD> argb;
};

BOOL AFXAPI AfxRegisterDialogTemplate(UINT id, const AFX_DLGTEMPLATE& dialog);
BOOL AFXAPI AfxRegisterString(UINT id, const char* utf8Text);
BOOL AFXAPI AfxRegisterIcon(UINT id, std::span<const AFX_ICONIMAGE> images);

// Lookups, for the framework and tests. Null or FALSE when the id is not registered.
const AFX_DLGTEMPLATE* AFXAPI AfxFindDialogTemplate(UINT id);
// The string in the ANSI code page (CP_ACP); empty when missing.
BOOL AFXAPI AfxLoadString(UINT id, CString& text);
// Icons live as long as the process (no DestroyIcon needed). Null when missing.
HICON AFXAPI AfxLoadIcon(UINT id);
