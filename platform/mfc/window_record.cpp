#include "window_record.h"

#include <afxtesthooks.h>

#include <QVariant>

#include <algorithm>
#include <cstdio>
#include <unordered_set>

namespace afx_detail {

namespace {

constexpr const char* kWindowProperty = "afxWindow";

std::unordered_set<Window*>& LiveWindows()
{
    static std::unordered_set<Window*> windows;
    return windows;
}

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
    auto* window = reinterpret_cast<Window*>(handle);
    return window && LiveWindows().count(window) ? window : nullptr;
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
    LiveWindows().insert(window);
    if (window->widget) window->widget->setProperty(kWindowProperty, QVariant::fromValue(reinterpret_cast<quintptr>(window)));
}

void UnregisterWindow(Window* window)
{
    LiveWindows().erase(window);
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

using namespace afx_detail;

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* target = WindowFromHandle(window);
    return target ? CallWindowProc(ObjectFor(target), message, wParam, lParam) : 0;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* target = WindowFromHandle(window);
    if (!target || !target->widget) return FALSE;
    QMetaObject::invokeMethod(
        target->widget.data(),
        [window, message, wParam, lParam] { SendMessageA(window, message, wParam, lParam); },
        Qt::QueuedConnection);
    return TRUE;
}

BOOL IsWindow(HWND window) { return WindowFromHandle(window) != nullptr; }
