// What an HWND of the framework points at: one window or control (platform-internal).
#pragma once

#include <afxwin.h>

#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QEventLoop;
class QMenu;

namespace afx_detail {

enum class ControlKind { Dialog, PushButton, CheckBox, RadioButton, GroupBox, Edit, MultiLineEdit, Static, Icon, ComboBox, Other };

struct MenuEntry {
    UINT flags;   // MF_SEPARATOR, MF_GRAYED ...
    UINT id;
    std::string text;  // CP_ACP
};

// The system menu of a dialog: its items and the CMenu the program sees.
struct SystemMenuModel {
    std::vector<MenuEntry> entries;
    CMenu menu;
    QPointer<QMenu> popup;
};

// Modal state of a dialog window.
struct DialogState {
    QEventLoop* loop = nullptr;
    bool ended = false;
    int result = -1;
    UINT defaultId = IDOK;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    std::unique_ptr<SystemMenuModel> systemMenu;
    int avgCharWidth = 0;
    int charHeight = 0;
    bool painting = false;
};

struct Window {
    QPointer<QWidget> widget;
    ControlKind kind = ControlKind::Other;
    int id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    Window* parent = nullptr;                   // the dialog, for a control
    CWnd* permanent = nullptr;                  // attached object
    std::unique_ptr<CWnd> temporary;            // FromHandle's object when none is attached
    std::vector<std::unique_ptr<Window>> controls;  // a dialog's controls, template order
    std::unique_ptr<DialogState> dialog;        // dialogs only

    HWND hwnd = nullptr;                        // from RegisterWindow to UnregisterWindow

    HWND handle() const { return hwnd; }
};

// Live windows only: null for stale or foreign handles.
Window* WindowFromHandle(HWND handle);
Window* WindowFromWidget(const QWidget* widget);  // the widget or its nearest framework ancestor
void RegisterWindow(Window* window);              // gives it its handle, tags the widget
void UnregisterWindow(Window* window);
// The object for a window: the attached one or the window's temporary one.
CWnd* ObjectFor(Window* window);
Window* ControlById(Window* dialog, int id);

// Runs a message through the object's WindowProc; a CException* escaping it is
// reported in a message box and deleted (as the framework's window procedure does).
LRESULT CallWindowProc(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam);
// A control's notification to its dialog (WM_COMMAND).
void NotifyParent(Window* control, UINT code);
// The message being handled by the innermost CallWindowProc (for Default).
bool CurrentMessage(UINT& message, WPARAM& wParam, LPARAM& lParam);

// The top-most modal dialog being run, or null.
Window* ActiveModalDialog();
void PushModal(Window* dialog);
void PopModal(Window* dialog);

// Per-kind window procedure of the system (control messages, text).
LRESULT SystemWindowProc(Window* window, UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

// Text of a control or window in CP_ACP (multi-line edits with CR LF).
std::string GetText(Window* window);
void SetText(Window* window, const char* ansi);
void SetWidgetText(Window* window, const QString& text);

// The system menu.
SystemMenuModel* SystemMenuOf(Window* dialog, bool create);
void ResetSystemMenu(Window* dialog);
void OpenSystemMenu(Window* dialog, const QPoint& globalPos);
void RunSystemCommand(Window* dialog, UINT id);
bool IsSystemMenuOpen(Window* dialog);

QPixmap IconPixmap(HICON icon, int size);

}  // namespace afx_detail

// Friend of CWnd/CDialog for the framework's internals.
struct AfxWndAccess {
    static LRESULT Def(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        return wnd->DefWindowProc(message, wParam, lParam);
    }
};

namespace afx_detail {
// Every message box of the framework: the test hook, or a real box.
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);
}  // namespace afx_detail
