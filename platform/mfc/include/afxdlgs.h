// Common dialogs of the framework: the file dialog.
#pragma once

#include <afxwin.h>
#include <commdlg.h>

class CCommonDialog : public CDialog {
    DECLARE_DYNAMIC(CCommonDialog)
public:
    explicit CCommonDialog(CWnd* pParentWnd);
};

// Open or save dialog. Filter: "label|pattern|label|pattern||" (patterns separated
// by ';'). DoModal returns IDOK with a chosen path or IDCANCEL. Declining an
// overwrite or create prompt (a message box, IDYES/IDNO) leaves the dialog open.
// On IDOK the current directory becomes the chosen file's folder, except for a
// save dialog with OFN_NOCHANGEDIR (as on Windows).
class CFileDialog : public CCommonDialog {
    DECLARE_DYNAMIC(CFileDialog)
public:
    explicit CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr, LPCTSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = nullptr,
                         CWnd* pParentWnd = nullptr);
    ~CFileDialog() override;

    INT_PTR DoModal() override;

    CString GetPathName() const;   // full path of the chosen file (never cut)
    CString GetFileName() const;   // name with extension
    CString GetFileExt() const;    // extension without the dot
    CString GetFileTitle() const;  // name without extension
    BOOL GetReadOnlyPref() const;

    OPENFILENAME m_ofn{};

protected:
    BOOL m_bOpenFileDialog;
    CString m_strDefExt;
    CString m_strFilter;           // as given, with '|'
    std::string m_filterZeros;     // '|' replaced by '\0', for m_ofn.lpstrFilter
    char m_szFileName[MAX_PATH]{};
    CString m_strPathName;
};
