#include "framework_window.h"

#include "qt_text.h"
#include "window_driver.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <QWidget>

#include <cstring>

using namespace afx_detail;

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

namespace {

Window* Self(const CWnd* wnd) { return WindowFromHandle(wnd->m_hWnd); }
QWidget* WidgetOf(const CWnd* wnd)
{
    Window* window = Self(wnd);
    return window ? window->widget.data() : nullptr;
}

}  // namespace

CWnd::~CWnd()
{
    if (Window* window = Self(this); window && window->permanent == this) window->permanent = nullptr;
}

CWnd* CWnd::FromHandle(HWND window) { return ObjectFor(WindowFromHandle(window)); }

CWnd* CWnd::FromHandlePermanent(HWND window)
{
    Window* record = WindowFromHandle(window);
    return record ? record->permanent : nullptr;
}

BOOL CWnd::Attach(HWND window)
{
    Window* record = WindowFromHandle(window);
    if (!record || m_hWnd || (record->permanent && record->permanent != this)) return FALSE;
    record->permanent = this;
    m_hWnd = window;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND old = m_hWnd;
    if (Window* record = Self(this); record && record->permanent == this) record->permanent = nullptr;
    m_hWnd = nullptr;
    return old;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* parent)
{
    if (!parent) return FALSE;
    Window* control = ControlById(Self(parent), static_cast<int>(nID));
    return control ? Attach(control->handle()) : FALSE;
}

int CWnd::GetDlgCtrlID() const
{
    Window* window = Self(this);
    return window ? window->id : 0;
}

CWnd* CWnd::GetDlgItem(int nID) const { return ObjectFor(ControlById(Self(this), nID)); }

CWnd* CWnd::GetParent() const
{
    Window* window = Self(this);
    return window ? ObjectFor(window->parent) : nullptr;
}

DWORD CWnd::GetStyle() const
{
    Window* window = Self(this);
    if (!window) return 0;
    DWORD style = window->style & ~(WS_VISIBLE | WS_DISABLED);
    if (window->widget && window->widget->isVisible()) style |= WS_VISIBLE;
    if (window->widget && !window->widget->isEnabled()) style |= WS_DISABLED;
    return style;
}

DWORD CWnd::GetExStyle() const
{
    Window* window = Self(this);
    return window ? window->exStyle : 0;
}

void CWnd::SetWindowText(LPCTSTR text) { SetText(Self(this), text ? text : ""); }

int CWnd::GetWindowText(LPTSTR buffer, int maxCount) const
{
    if (!buffer || maxCount <= 0) return 0;
    const std::string text = GetText(Self(this));
    const std::size_t length = std::min<std::size_t>(text.size(), static_cast<std::size_t>(maxCount) - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

void CWnd::GetWindowText(CString& text) const
{
    const std::string value = GetText(Self(this));
    text = CString(value.data(), static_cast<int>(value.size()));
}

int CWnd::GetWindowTextLength() const { return static_cast<int>(GetText(Self(this)).size()); }

void CWnd::SetDlgItemText(int nID, LPCTSTR text) { SetText(ControlById(Self(this), nID), text ? text : ""); }

int CWnd::GetDlgItemText(int nID, CString& text) const
{
    const std::string value = GetText(ControlById(Self(this), nID));
    text = CString(value.data(), static_cast<int>(value.size()));
    return text.GetLength();
}

void CWnd::CheckDlgButton(int nID, UINT check) { SendDlgItemMessage(nID, BM_SETCHECK, check, 0); }

UINT CWnd::IsDlgButtonChecked(int nID) const
{
    return static_cast<UINT>(const_cast<CWnd*>(this)->SendDlgItemMessage(nID, BM_GETCHECK, 0, 0));
}

LRESULT CWnd::SendDlgItemMessage(int nID, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* control = ControlById(Self(this), nID);
    return control ? ::SendMessageA(control->handle(), message, wParam, lParam) : 0;
}

BOOL CWnd::EnableWindow(BOOL enable)
{
    QWidget* widget = WidgetOf(this);
    if (!widget) return FALSE;
    const BOOL wasDisabled = !widget->isEnabled();
    widget->setEnabled(enable != FALSE);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const
{
    QWidget* widget = WidgetOf(this);
    return widget && widget->isEnabled();
}

BOOL CWnd::ShowWindow(int nCmdShow) { return ShowWidget(WidgetOf(this), nCmdShow); }

BOOL CWnd::IsWindowVisible() const
{
    QWidget* widget = WidgetOf(this);
    return widget && widget->isVisible();
}

BOOL CWnd::IsIconic() const
{
    QWidget* widget = WidgetOf(this);
    return widget && widget->isWindow() && widget->isMinimized();
}

CWnd* CWnd::SetFocus()
{
    CWnd* previous = GetFocus();
    if (QWidget* widget = WidgetOf(this)) widget->setFocus(Qt::OtherFocusReason);
    return previous;
}

CWnd* CWnd::GetFocus()
{
    if (!qApp) return nullptr;
    QWidget* focus = QApplication::focusWidget();
    if (!focus)
        if (Window* modal = ActiveModalDialog(); modal && modal->widget) focus = modal->widget->focusWidget();
    return ObjectFor(WindowFromWidget(focus));
}

void CWnd::GetClientRect(LPRECT rect) const
{
    if (!rect) return;
    QWidget* widget = WidgetOf(this);
    *rect = {0, 0, widget ? widget->width() : 0, widget ? widget->height() : 0};
}

void CWnd::GetWindowRect(LPRECT rect) const
{
    if (!rect) return;
    QWidget* widget = WidgetOf(this);
    if (!widget) {
        *rect = {0, 0, 0, 0};
        return;
    }
    const QPoint origin = widget->mapToGlobal(QPoint(0, 0));
    *rect = {origin.x(), origin.y(), origin.x() + widget->width(), origin.y() + widget->height()};
}

void CWnd::ScreenToClient(LPRECT rect) const
{
    QWidget* widget = WidgetOf(this);
    if (!rect || !widget) return;
    const QPoint origin = widget->mapToGlobal(QPoint(0, 0));
    rect->left -= origin.x(), rect->right -= origin.x(), rect->top -= origin.y(), rect->bottom -= origin.y();
}

void CWnd::ClientToScreen(LPRECT rect) const
{
    QWidget* widget = WidgetOf(this);
    if (!rect || !widget) return;
    const QPoint origin = widget->mapToGlobal(QPoint(0, 0));
    rect->left += origin.x(), rect->right += origin.x(), rect->top += origin.y(), rect->bottom += origin.y();
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL)
{
    if (QWidget* widget = WidgetOf(this)) widget->setGeometry(x, y, width, height);
}

void CWnd::CenterWindow(CWnd* alternateOwner)
{
    QWidget* widget = WidgetOf(this);
    if (!widget) return;
    QRect area;
    if (QWidget* owner = alternateOwner ? WidgetOf(alternateOwner) : widget->parentWidget())
        area = QRect(owner->mapToGlobal(QPoint(0, 0)), owner->size());
    else if (QScreen* screen = widget->screen())
        area = screen->availableGeometry();
    widget->move(area.center() - QPoint(widget->width() / 2, widget->height() / 2));
}

void CWnd::Invalidate(BOOL)
{
    if (QWidget* widget = WidgetOf(this)) widget->update();
}

void CWnd::UpdateWindow()
{
    if (QWidget* widget = WidgetOf(this)) widget->repaint();
}

HICON CWnd::SetIcon(HICON icon, BOOL bigIcon)
{
    Window* window = Self(this);
    if (!window || !window->dialog) return nullptr;
    HICON& slot = bigIcon ? window->dialog->bigIcon : window->dialog->smallIcon;
    HICON previous = slot;
    slot = icon;
    QIcon combined;
    for (HICON each : {window->dialog->bigIcon, window->dialog->smallIcon})
        if (each) combined.addPixmap(IconPixmap(each, each == window->dialog->bigIcon ? 32 : 16));
    if (window->widget) window->widget->setWindowIcon(combined);
    return previous;
}

HICON CWnd::GetIcon(BOOL bigIcon) const
{
    Window* window = Self(this);
    if (!window || !window->dialog) return nullptr;
    return bigIcon ? window->dialog->bigIcon : window->dialog->smallIcon;
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const
{
    Window* window = Self(this);
    if (bRevert) {
        ResetSystemMenu(window);
        return nullptr;
    }
    SystemMenuModel* model = SystemMenuOf(window, true);
    return model ? &model->menu : nullptr;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return Self(this) ? CallWindowProc(this, message, wParam, lParam) : 0;
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        if (result) *result = 0;
        return TRUE;
    }
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, 0, 0);
    if (!entry) return FALSE;
    const LRESULT value = entry->pfn(this, wParam, lParam);
    if (result) *result = value;
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM)
{
    return OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* window = Self(this);
    if (!window) return 0;
    switch (message) {
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE: return SendMessage(WM_CLOSE);
        case SC_MINIMIZE: ShowWindow(SW_MINIMIZE); return 0;
        case SC_RESTORE: ShowWindow(SW_RESTORE); return 0;
        case SC_MAXIMIZE: ShowWindow(SW_SHOWMAXIMIZED); return 0;
        default: return 0;
        }
    case WM_SETICON: return reinterpret_cast<LRESULT>(SetIcon(reinterpret_cast<HICON>(lParam), wParam == ICON_BIG));
    case WM_GETICON: return reinterpret_cast<LRESULT>(GetIcon(wParam == ICON_BIG));
    default: break;
    }
    bool handled = false;
    const LRESULT result = SystemWindowProc(window, message, wParam, lParam, handled);
    return handled ? result : 0;
}

LRESULT CWnd::Default()
{
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    return CurrentMessage(message, wParam, lParam) ? DefWindowProc(message, wParam, lParam) : 0;
}

void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
void CWnd::OnPaint() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnDestroy() { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
void CWnd::OnTimer(UINT_PTR) { Default(); }

BOOL CWnd::UpdateData(BOOL saveAndValidate)
{
    CDataExchange exchange(this, saveAndValidate);
    try {
        DoDataExchange(&exchange);
    } catch (CUserException* e) {
        e->Delete();
        return FALSE;
    } catch (CException* e) {
        e->ReportError(MB_OK | MB_ICONEXCLAMATION, AFX_IDP_INTERNAL_FAILURE);
        e->Delete();
        return FALSE;
    }
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}
