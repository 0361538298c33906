#include "framework_window.h"

#include "window_driver.h"

#include <varnel/test_hooks.h>

#include <QVariant>

#include <algorithm>
#include <cstdio>

namespace afx_detail {

namespace {

constexpr const char* kWindowProperty = "afxWindow";

std::vector<Window*>& ModalStack()
{
    static std::vector<Window*> stack;
    return stack;
}

struct MessageFrame {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<MessageFrame>& MessageStack()
{
    static std::vector<MessageFrame> stack;
    return stack;
}

// The class a program casts GetDlgItem's result to (CButton*, CEdit* ...), so the cast is sound.
std::unique_ptr<CWnd> MakeTemporary(ControlKind kind)
{
    switch (kind) {
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
    case ControlKind::GroupBox: return std::make_unique<CButton>();
    case ControlKind::Edit:
    case ControlKind::MultiLineEdit: return std::make_unique<CEdit>();
    case ControlKind::Static:
    case ControlKind::Icon: return std::make_unique<CStatic>();
    case ControlKind::ComboBox: return std::make_unique<CComboBox>();
    default: return std::make_unique<CWnd>();
    }
}

}  // namespace

Window* WindowFromHandle(HWND handle)
{
    return handle ? static_cast<Window*>(win32::user::DriverWindow(handle, QtWindows())) : nullptr;
}

Window* WindowFromWidget(const QWidget* widget)
{
    for (; widget; widget = widget->parentWidget()) {
        const QVariant tag = widget->property(kWindowProperty);
        if (tag.isValid()) return WindowFromHandle(reinterpret_cast<HWND>(tag.value<quintptr>()));
    }
    return nullptr;
}

void RegisterWindow(Window* window)
{
    window->hwnd = win32::user::AttachWindow(QtWindows(), window);
    if (window->widget) window->widget->setProperty(kWindowProperty, QVariant::fromValue(reinterpret_cast<quintptr>(window->hwnd)));
}

void UnregisterWindow(Window* window)
{
    win32::user::DetachWindow(window->hwnd);
    if (window->permanent) window->permanent->m_hWnd = nullptr;
    window->permanent = nullptr;
    if (window->temporary) window->temporary->m_hWnd = nullptr;
}

CWnd* ObjectFor(Window* window)
{
    if (!window) return nullptr;
    if (window->permanent) return window->permanent;
    if (!window->temporary) {
        window->temporary = MakeTemporary(window->kind);
        window->temporary->m_hWnd = window->handle();
    }
    return window->temporary.get();
}

Window* ControlById(Window* dialog, int id)
{
    if (!dialog) return nullptr;
    for (auto& control : dialog->controls)
        if (control->id == id) return control.get();
    return nullptr;
}

LRESULT CallWindowProc(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!wnd) return 0;
    MessageStack().push_back({message, wParam, lParam});
    struct Pop {
        ~Pop() { MessageStack().pop_back(); }
    } pop;
    try {
        return wnd->WindowProc(message, wParam, lParam);
    } catch (CException* e) {
        if (!e->IsKindOf(RUNTIME_CLASS(CUserException))) e->ReportError(MB_OK | MB_ICONEXCLAMATION, AFX_IDP_INTERNAL_FAILURE);
        e->Delete();
    } catch (const std::exception& e) {
        AfxMessageBox(e.what(), MB_OK | MB_ICONSTOP);
    }
    return 0;
}

void NotifyParent(Window* control, UINT code)
{
    if (!control || !control->parent) return;
    CWnd* dialog = ObjectFor(control->parent);
    CallWindowProc(dialog, WM_COMMAND, MAKEWPARAM(control->id, code), reinterpret_cast<LPARAM>(control->handle()));
}

bool CurrentMessage(UINT& message, WPARAM& wParam, LPARAM& lParam)
{
    if (MessageStack().empty()) return false;
    const MessageFrame& frame = MessageStack().back();
    message = frame.message;
    wParam = frame.wParam;
    lParam = frame.lParam;
    return true;
}

Window* ActiveModalDialog()
{
    auto& stack = ModalStack();
    return stack.empty() ? nullptr : stack.back();
}

void PushModal(Window* dialog) { ModalStack().push_back(dialog); }
void PopModal(Window* dialog) { std::erase(ModalStack(), dialog); }

}  // namespace afx_detail
