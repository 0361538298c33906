// The framework's windows: command targets, message maps, CWnd, dialogs, controls,
// the application object, message boxes.
#pragma once

#include <afx.h>
#include <winuser.h>
#include <afxres.h>
#include <afxmsg_.h>
#include <afxdd_.h>
#include <afxcom_.h>
#include <varnel/resource_data.h>

#include <string>
#include <vector>

class CWnd;
class CMenu;
class CDialog;
class CWinApp;

class CRect : public RECT {
public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& r) : RECT(r) {}
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
};

class CPoint : public POINT {
public:
    CPoint() : POINT{0, 0} {}
    CPoint(int x, int y) : POINT{x, y} {}
};

// ---------------------------------------------------------------- command targets

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;
    ~CCmdTarget() override = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    // Runs the handler of a command (nCode 0) or control notification from this
    // object's message map chain. TRUE when one ran.
    virtual BOOL OnCmdMsg(UINT nID, int nCode);

    // Wait cursor over the application's windows (counted; see CWaitCursor).
    void BeginWaitCursor();
    void EndWaitCursor();
    void RestoreWaitCursor();

    // ---- COM support. The object starts with one reference (its creator's); the
    // release of the last one calls OnFinalRelease.

    // Switches on the object's IDispatch (answered by QueryInterface and the
    // interface map's Dispatch parts). Call it in the constructor.
    void EnableAutomation();
    // The IDispatch, null before EnableAutomation. bAddRef: the caller gets a reference.
    LPDISPATCH GetIDispatch(BOOL bAddRef);
    // The command target whose IDispatch this is; null for any other object's.
    static CCmdTarget* PASCAL FromIDispatch(LPDISPATCH lpDispatch);
    // The interface from the interface map chain, without a reference; IUnknown is
    // the first part the chain offers. Null when the object lacks it.
    LPUNKNOWN GetInterface(const void* iid);

    DWORD InternalAddRef();
    DWORD InternalRelease();
    // S_OK with a reference in *ppvObj, or E_NOINTERFACE with *ppvObj null.
    HRESULT InternalQueryInterface(const void* iid, LPVOID* ppvObj);
    // What the object's interfaces answer (no aggregation here: the same as Internal*).
    DWORD ExternalAddRef();
    DWORD ExternalRelease();
    HRESULT ExternalQueryInterface(const void* iid, LPVOID* ppvObj);

    // The last reference of an automation object went away (deletes the object).
    virtual void OnFinalRelease();

    // Finds the map entry for a message in this object's map chain, or null.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT code, UINT id) const;

    LONG m_dwRef = 1;

protected:
    static const AFX_MSGMAP* PASCAL GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    static const AFX_INTERFACEMAP* PASCAL GetThisInterfaceMap();
    virtual const AFX_INTERFACEMAP* GetInterfaceMap() const;
    static const AFX_DISPMAP* PASCAL GetThisDispatchMap();
    virtual const AFX_DISPMAP* GetDispatchMap() const;

    // The IDispatch of an automation object: no members (see afxcom_.h).
    class XDispatch : public CInterfacePart<IDispatch> {
    public:
        explicit XDispatch(CCmdTarget* owner) : CInterfacePart<IDispatch>(owner) {}
        LPUNKNOWN Offered() { return m_bEnabled ? this : nullptr; }
        STDMETHOD(GetTypeInfoCount)(UINT* count) override;
        STDMETHOD(GetTypeInfo)(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
        STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* dispIds) override;
        STDMETHOD(Invoke)(DISPID dispId, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* excepInfo, UINT* argErr) override;
        BOOL m_bEnabled = FALSE;
    };
    XDispatch m_xDispatch{this};
};

template <class Interface>
HRESULT CInterfacePart<Interface>::QueryInterface(REFIID riid, void** object)
{
    return m_pOwner->ExternalQueryInterface(&riid, object);
}

template <class Interface>
ULONG CInterfacePart<Interface>::AddRef()
{
    return m_pOwner->ExternalAddRef();
}

template <class Interface>
ULONG CInterfacePart<Interface>::Release()
{
    return m_pOwner->ExternalRelease();
}

// Shows the wait cursor while in scope.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    void Restore();
};

// ---------------------------------------------------------------- menus and drawing

// A menu: here only the system menu of a dialog (GetSystemMenu).
class CMenu : public CObject {
    DECLARE_DYNAMIC(CMenu)
public:
    CMenu() = default;
    ~CMenu() override = default;

    HMENU m_hMenu = nullptr;
    HMENU GetSafeHmenu() const { return m_hMenu; }
    operator HMENU() const { return m_hMenu; }
    static CMenu* PASCAL FromHandle(HMENU menu);

    // MF_STRING with an id and text (CP_ACP, & marks the access key), or MF_SEPARATOR.
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
    UINT GetMenuItemCount() const;        // (UINT)-1 without a menu
    UINT GetMenuItemID(int nPos) const;   // 0 for a separator, (UINT)-1 outside
    int GetMenuString(UINT nIDItem, CString& text, UINT nFlags) const;  // MF_BYCOMMAND / MF_BYPOSITION
    UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable);  // previous state or (UINT)-1
    BOOL DeleteMenu(UINT nPosition, UINT nFlags);
};

class CDC : public CObject {
    DECLARE_DYNAMIC(CDC)
public:
    CDC() = default;
    ~CDC() override = default;
    HDC m_hDC = nullptr;
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    BOOL DrawIcon(int x, int y, HICON icon);  // FALSE when the device cannot draw now
    BOOL DrawIcon(POINT point, HICON icon) { return DrawIcon(point.x, point.y, icon); }
};

// Painting a window inside its WM_PAINT handler.
class CPaintDC : public CDC {
    DECLARE_DYNAMIC(CPaintDC)
public:
    explicit CPaintDC(CWnd* window);
    ~CPaintDC() override;
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

private:
    HWND m_hWnd = nullptr;
};

// ---------------------------------------------------------------- windows

class CWnd : public CCmdTarget {
    DECLARE_DYNCREATE(CWnd)
public:
    CWnd() = default;
    ~CWnd() override;  // detaches from its window
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;  // null when not attached or after the window is gone
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return GetSafeHwnd(); }

    // The object attached to a window, or a temporary one owned by the window
    // (valid while the window lives). Null for no window.
    static CWnd* PASCAL FromHandle(HWND window);
    static CWnd* PASCAL FromHandlePermanent(HWND window);
    BOOL Attach(HWND window);
    HWND Detach();
    BOOL SubclassDlgItem(UINT nID, CWnd* parent);  // attaches to the parent's control nID

    int GetDlgCtrlID() const;
    CWnd* GetDlgItem(int nID) const;  // null when missing
    CWnd* GetParent() const;
    DWORD GetStyle() const;
    DWORD GetExStyle() const;

    void SetWindowText(LPCTSTR text);  // CP_ACP; multi-line edits take CR LF line breaks
    int GetWindowText(LPTSTR buffer, int maxCount) const;  // cut to maxCount - 1 bytes
    void GetWindowText(CString& text) const;
    int GetWindowTextLength() const;
    void SetDlgItemText(int nID, LPCTSTR text);
    int GetDlgItemText(int nID, CString& text) const;
    void CheckDlgButton(int nID, UINT check);
    UINT IsDlgButtonChecked(int nID) const;
    LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    BOOL EnableWindow(BOOL enable = TRUE);  // returns TRUE when the window was disabled before
    BOOL IsWindowEnabled() const;
    BOOL ShowWindow(int nCmdShow);          // SW_HIDE, SW_SHOW, SW_MINIMIZE, SW_RESTORE ...; previous visibility
    BOOL IsWindowVisible() const;           // shown, and its parents too
    BOOL IsIconic() const;
    CWnd* SetFocus();                       // returns the window that had the focus
    static CWnd* PASCAL GetFocus();
    void GetClientRect(LPRECT rect) const;
    void GetWindowRect(LPRECT rect) const;  // screen coordinates
    void ScreenToClient(LPRECT rect) const;
    void ClientToScreen(LPRECT rect) const;
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    void CenterWindow(CWnd* alternateOwner = nullptr);
    void Invalidate(BOOL erase = TRUE);
    void UpdateWindow();
    HICON SetIcon(HICON icon, BOOL bigIcon);  // returns the previous one
    HICON GetIcon(BOOL bigIcon) const;
    // The system menu (null without WS_SYSMENU). bRevert TRUE restores the default items.
    CMenu* GetSystemMenu(BOOL bRevert) const;

    // WM_TIMER(nIDEvent) every nElapse ms until KillTimer or the window's end; a
    // callback is not supported (returns 0). The same id restarts the timer.
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, void* lpfnTimer);
    BOOL KillTimer(UINT_PTR nIDEvent);

    // Runs the message through the window's handling now (exceptions of the
    // framework escaping a handler are reported in a message box and deleted).
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Queues the message; it runs in the window's message loop.
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // Owner is this window; caption null gives the application name.
    int MessageBox(LPCTSTR text, LPCTSTR caption = nullptr, UINT type = MB_OK);

    // TRUE takes and validates the control values, FALSE shows the members.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* pDX);

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // The system's handling of a message (WM_CLOSE, WM_SYSCOMMAND's SC_CLOSE/SC_MINIMIZE/SC_RESTORE, control messages ...).
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default();  // DefWindowProc of the message being handled

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg void OnClose();
    afx_msg void OnDestroy();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnTimer(UINT_PTR nIDEvent);

    DECLARE_MESSAGE_MAP()

    friend struct AfxWndAccess;
};

// ---------------------------------------------------------------- dialogs

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Builds the window from the template, runs OnInitDialog, shows it and runs a
    // modal loop until EndDialog. Returns the EndDialog value, -1 when the template
    // is missing. The window is destroyed before DoModal returns.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    // The data exchange shows the members (UpdateData(FALSE)). TRUE: the focus goes
    // to the first tab stop that is shown and enabled; FALSE: the handler placed it.
    virtual BOOL OnInitDialog();

    void GotoDlgCtrl(CWnd* control);
    void NextDlgCtrl() const;
    void PrevDlgCtrl() const;
    void SetDefID(UINT nID);
    DWORD GetDefID() const;  // MAKELONG(id, DC_HASDEFID) style: the id in the low word, 0x534B in the high

    UINT m_nIDHelp = 0;
    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;

    BOOL OnCmdMsg(UINT nID, int nCode) override;  // then the application's map

protected:
    CDialog() = default;
    // OK: UpdateData(TRUE), then EndDialog(IDOK) only when it succeeded.
    virtual void OnOK();
    // Cancel: EndDialog(IDCANCEL).
    virtual void OnCancel();

    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;  // WM_CLOSE issues IDCANCEL

    DECLARE_MESSAGE_MAP()

    friend struct AfxWndAccess;
};

// ---------------------------------------------------------------- controls
// Control classes add no data: a CWnd* from GetDlgItem may be used as one of them.

class CStatic : public CWnd {
    DECLARE_DYNAMIC(CStatic)
public:
    HICON SetIcon(HICON icon);
    HICON GetIcon() const;
};

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
public:
    int GetCheck() const;       // BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE
    void SetCheck(int check);
    UINT GetButtonStyle() const;
};

class CEdit : public CWnd {
    DECLARE_DYNAMIC(CEdit)
public:
    // Selects characters start..end (byte offsets in the CP_ACP text; 0, -1 selects all).
    void SetSel(int start, int end, BOOL noScroll = FALSE);
    void GetSel(int& start, int& end) const;
    void ReplaceSel(LPCTSTR newText, BOOL canUndo = FALSE);
    void SetReadOnly(BOOL readOnly = TRUE);
    void LimitText(int maxChars = 0);
    int GetLineCount() const;
};

class CComboBox : public CWnd {
    DECLARE_DYNAMIC(CComboBox)
public:
    int AddString(LPCTSTR text);            // index of the new row (sorted with CBS_SORT)
    int InsertString(int index, LPCTSTR text);
    int DeleteString(UINT index);           // rows left, CB_ERR outside
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;                  // CB_ERR (-1) when none
    int SetCurSel(int index);               // -1 or out of range clears and gives CB_ERR; never notifies
    int GetLBText(int index, LPTSTR buffer) const;  // buffer of GetLBTextLen + 1 bytes
    void GetLBText(int index, CString& text) const;
    int GetLBTextLen(int index) const;
    int FindStringExact(int startAfter, LPCTSTR text) const;  // case-insensitive; CB_ERR when absent
};

// ---------------------------------------------------------------- application

class CWinThread : public CCmdTarget {
    DECLARE_DYNAMIC(CWinThread)
public:
    CWnd* m_pMainWnd = nullptr;
    virtual BOOL InitInstance();
    virtual int ExitInstance();
    virtual int Run();
};

class CWinApp : public CWinThread {
    DECLARE_DYNAMIC(CWinApp)
public:
    // Null name: the name is the executable's file name without its extension.
    explicit CWinApp(LPCTSTR lpszAppName = nullptr);
    ~CWinApp() override;

    LPCTSTR m_pszAppName = nullptr;   // caption of AfxMessageBox
    LPCTSTR m_pszExeName = nullptr;   // executable's file name without extension
    LPCTSTR m_lpCmdLine = nullptr;    // the arguments after the program name
    LPCTSTR m_pszHelpFilePath = nullptr;
    LPCTSTR m_pszProfileName = nullptr;
    HINSTANCE m_hInstance = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;

    BOOL InitInstance() override;
    int ExitInstance() override;      // 0
    int Run() override;               // runs the application's message loop until m_pMainWnd closes

    HICON LoadIcon(UINT nIDResource) const;
    HICON LoadIcon(LPCTSTR lpszResourceName) const;  // "#128" or MAKEINTRESOURCE(128)

    // An argument /Embedding or -Embedding (/Automation, -Automation), any case.
    // When present the instance is not under the user's control (AfxOleSetUserCtrl(FALSE)).
    BOOL RunEmbedded();
    BOOL RunAutomated();

    BOOL Enable3dControls();  // TRUE; controls look as the desktop draws them

    virtual void WinHelp(DWORD_PTR dwData, UINT nCmd = 0);

    // The command line, as AfxWinInit took it (argv[1..]).
    const std::vector<std::string>& Arguments() const { return m_arguments; }

protected:
    afx_msg void OnHelp();  // no help files here: does nothing

    DECLARE_MESSAGE_MAP()

private:
    friend BOOL AFXAPI AfxWinInit(int argc, char* argv[]);
    void TakeCommandLine(int argc, char* argv[]);

    std::string m_appName;
    std::string m_exeName;
    std::string m_cmdLine;
    std::vector<std::string> m_arguments;
    CWinApp* m_previous = nullptr;
};

CWinApp* AFXAPI AfxGetApp();       // the application object most recently constructed and alive
CWnd* AFXAPI AfxGetMainWnd();
LPCTSTR AFXAPI AfxGetAppName();    // "" without an application object
// Takes the command line into the application object (names, arguments).
BOOL AFXAPI AfxWinInit(int argc, char* argv[]);
// The framework's entry point: creates the GUI application, AfxWinInit, InitInstance,
// Run when it returned TRUE, ExitInstance; returns the process exit code. The
// `mfc_main` library supplies `main` calling it.
int AFXAPI AfxWinMain(int argc, char* argv[]);

// ---------------------------------------------------------------- message boxes

// Caption: the application name. Returns IDOK, IDCANCEL, IDYES, IDNO ...
int AFXAPI AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// The string resource's text (an empty text when missing).
int AFXAPI AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = static_cast<UINT>(-1));
