// Test hooks of the framework: answer message boxes and file dialogs, drive a
// modal dialog's controls as a user would, and look at the result, all without a
// person and without sleeping. Used by tests only (the product never calls them).
#pragma once

#include <afxwin.h>
#include <commdlg.h>

#include <functional>
#include <optional>
#include <vector>

namespace afxtest {

// Creates the GUI application object when none exists (the entry point does this
// for programs). Tests set QT_QPA_PLATFORM=offscreen first.
void EnsureGuiApplication();

// ------------------------------------------------------------- message boxes

struct MessageBoxCall {
    HWND owner;        // null for AfxMessageBox without a main window
    CString caption;   // CP_ACP
    CString text;      // CP_ACP
    UINT type;         // MB_ flags as given
};

// While alive, every message box is recorded and answered by `answer` (the
// default answers with the box's default button: IDOK for MB_OK, IDYES for
// MB_YESNO, ...). Hooks nest: the newest one answers.
class MessageBoxHook {
public:
    MessageBoxHook();
    explicit MessageBoxHook(std::function<int(const MessageBoxCall&)> answer);
    ~MessageBoxHook();
    MessageBoxHook(const MessageBoxHook&) = delete;
    MessageBoxHook& operator=(const MessageBoxHook&) = delete;

    const std::vector<MessageBoxCall>& Calls() const { return calls_; }
    void Clear() { calls_.clear(); }

    // Framework internal: records and answers one box.
    int Answer(const MessageBoxCall& call);

private:
    std::function<int(const MessageBoxCall&)> answer_;
    std::vector<MessageBoxCall> calls_;
    MessageBoxHook* previous_;
};

// The answer a box's default button gives (MB_DEFBUTTONn of its button set).
int DefaultAnswer(UINT type);

// ------------------------------------------------------------- file dialogs

struct FileDialogCall {
    BOOL open;           // TRUE open dialog, FALSE save dialog
    DWORD flags;         // m_ofn.Flags
    CString defExt;
    CString fileName;    // the initial file name
    CString filter;      // as given, "label|pattern|..."
    CString initialDir;  // m_ofn.lpstrInitialDir
    CString title;
    HWND owner;
    int attempt;         // 1 for the first showing, 2 after a declined prompt, ...
    DWORD filterIndex;   // the filter shown, 1-based
};

// What a person picks in a file dialog: a path and the filter chosen last (0: the
// one shown), whose extension a save dialog gives a name typed without one.
struct FileDialogChoice {
    FileDialogChoice(CString chosen, DWORD filter) : path(std::move(chosen)), filterIndex(filter) {}
    CString path;
    DWORD filterIndex;
};

// While alive, file dialogs ask `choose` instead of a person: a path (CP_ACP; a
// relative one is taken from the initial folder) or nullopt for Cancel. The
// overwrite/create prompts then run as message boxes (answer them with a
// MessageBoxHook); a declined prompt asks `choose` again with attempt + 1.
class FileDialogHook {
public:
    explicit FileDialogHook(std::function<std::optional<CString>(const FileDialogCall&)> choose);
    explicit FileDialogHook(std::function<std::optional<FileDialogChoice>(const FileDialogCall&)> choose);
    ~FileDialogHook();
    FileDialogHook(const FileDialogHook&) = delete;
    FileDialogHook& operator=(const FileDialogHook&) = delete;

    const std::vector<FileDialogCall>& Calls() const { return calls_; }

    // Framework internal.
    std::optional<FileDialogChoice> Choose(const FileDialogCall& call);

private:
    std::function<std::optional<FileDialogChoice>(const FileDialogCall&)> choose_;
    std::vector<FileDialogCall> calls_;
    FileDialogHook* previous_;
};

// ------------------------------------------------------------- modal dialogs

// While alive, each CDialog modal loop that starts takes the next step and runs
// it inside the loop, once the dialog is shown (nested dialogs opened by a step
// take the following steps). A dialog still open when its step returns is ended
// with IDABORT. Without a step under the offscreen platform, a dialog ends at once
// with IDABORT (nobody could answer it) and a line goes to standard error.
class ModalScript {
public:
    ModalScript();
    ~ModalScript();
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    ModalScript& Then(std::function<void(CDialog& dialog)> step);
    int Pending() const;

    // Framework internal.
    std::optional<std::function<void(CDialog&)>> TakeNext();

private:
    std::vector<std::function<void(CDialog&)>> steps_;
    std::size_t next_ = 0;
    ModalScript* previous_;
};

// ------------------------------------------------------------- user actions
// Each acts on a control of a dialog by id, as a user would, and returns FALSE
// when a user could not do it (no such control, hidden, disabled).

BOOL Click(CWnd* dialog, int id);                       // push button, check box
BOOL Type(CWnd* dialog, int id, LPCTSTR text);          // focus the edit, replace its text (CP_ACP, CR LF breaks)
BOOL PickComboItem(CWnd* dialog, int id, int index);    // a user's pick: CBN_SELCHANGE follows
BOOL Focus(CWnd* dialog, int id);                       // as a click into the control would

enum class Key { Enter, CtrlEnter, Escape, Tab, ShiftTab, Space, AltSpace, AltF4 };
// Delivered to the dialog's focus control (the dialog itself without one).
BOOL PressKey(CWnd* dialog, Key key);

// Alt and a letter ('A'..'Z'), as a user presses it: a button whose caption marks
// that letter with & is clicked (when shown and enabled).
BOOL PressAltKey(CWnd* dialog, char letter);
BOOL CloseWindow(CWnd* dialog);         // the title bar's close button (WM_CLOSE)
// Runs the messages posted so far, as the running modal loop would once the step returns.
void ProcessPostedMessages();
BOOL RightClickBackground(CWnd* dialog);  // opens the system menu stand-in
BOOL IsSystemMenuOpen(CWnd* dialog);
struct MenuItem {
    UINT id;            // 0 for a separator
    CString text;       // CP_ACP, with its & marks
    BOOL separator;
    BOOL enabled;
};
std::vector<MenuItem> SystemMenuItems(CWnd* dialog);   // as the open menu shows them
// Picks an item of the open system menu (opens it first when closed); the menu
// closes and WM_SYSCOMMAND(id) follows. FALSE for a missing or disabled item.
BOOL ChooseSystemMenuItem(CWnd* dialog, UINT id);

// ------------------------------------------------------------- looking

BOOL GetControlRect(CWnd* dialog, int id, RECT* rect);  // pixels, in the dialog's client area
SIZE DialogBaseUnits(CWnd* dialog);      // average character width and height of the dialog font
CString DialogFontFamily(CWnd* dialog);  // the font family really used
std::vector<int> TabOrder(CWnd* dialog); // ids of the controls Tab visits, from the first
int FocusedControlId(CWnd* dialog);      // 0 when no control of the dialog has the focus
BOOL IsControlShown(CWnd* dialog, int id);
BOOL IsDefaultButton(CWnd* dialog, int id);
BOOL IsWaitCursorShown();
int TimerTicks(CWnd* window);            // WM_TIMER messages the window has been given
int TopLevelWindowCount();               // top-level windows alive (hidden ones too)
LONG OleLockCount();
// Renders the window (its client area) into a PNG file.
BOOL GrabWindow(CWnd* window, const char* pngPath);

}  // namespace afxtest
