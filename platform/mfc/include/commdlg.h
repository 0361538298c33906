// Common dialogs: the file dialog's options.
#pragma once

#include <afx.h>
#include <winuser.h>

struct tagOFNA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter;        // "label\0pattern\0...\0\0"
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;        // 1-based
    LPSTR lpstrFile;           // initial name in, chosen path out (cut to nMaxFile - 1)
    DWORD nMaxFile;
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;        // appended ("." + extension) to a chosen name without one
    LPARAM lCustData;
    void* lpfnHook;            // accepted, never called
    LPCSTR lpTemplateName;
};
using OPENFILENAMEA = tagOFNA;
using OPENFILENAME = OPENFILENAMEA;
using LPOPENFILENAME = OPENFILENAMEA*;

#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002   // an existing file: ask before replacing it
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008       // save dialogs keep the current directory
#define OFN_SHOWHELP 0x00000010
#define OFN_ENABLEHOOK 0x00000020        // accepted, no effect
#define OFN_ENABLETEMPLATE 0x00000040
#define OFN_NOVALIDATE 0x00000100
#define OFN_ALLOWMULTISELECT 0x00000200
#define OFN_EXTENSIONDIFFERENT 0x00000400
#define OFN_PATHMUSTEXIST 0x00000800     // the folder must exist
#define OFN_FILEMUSTEXIST 0x00001000     // the file must exist
#define OFN_CREATEPROMPT 0x00002000      // a new file: ask before creating it
#define OFN_NOREADONLYRETURN 0x00008000
#define OFN_EXPLORER 0x00080000          // accepted, no effect
#define OFN_ENABLESIZING 0x00800000
