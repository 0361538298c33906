#include "window_driver.h"

#include "framework_window.h"

#include <winuser.h>

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QSocketNotifier>

namespace afx_detail {
namespace {

class QtWindowDriver final : public win32::user::WindowDriver {
public:
    LRESULT Send(void* window, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        return CallWindowProc(ObjectFor(static_cast<Window*>(window)), message, wParam, lParam);
    }
    bool IsVisible(void* window) override
    {
        QWidget* widget = static_cast<Window*>(window)->widget;
        return widget && widget->isVisible();
    }
    bool Show(void* window, int showCommand) override
    {
        return ShowWidget(static_cast<Window*>(window)->widget, showCommand);
    }
    HWND Parent(void* window) override
    {
        Window* parent = static_cast<Window*>(window)->parent;
        return parent ? parent->handle() : nullptr;
    }
    // A modal dialog ends and its DoModal destroys it; controls go with their dialog.
    void Destroy(void* window) override
    {
        auto* record = static_cast<Window*>(window);
        if (record->dialog)
            if (auto* dialog = dynamic_cast<CDialog*>(ObjectFor(record))) dialog->EndDialog(IDABORT);
    }
};

class QtDisplay final : public win32::user::DisplayDriver {
public:
    int SystemMetric(int index) override
    {
        switch (index) {
        case SM_CXICON:
        case SM_CYICON: return 32;
        case SM_CXSMICON:
        case SM_CYSMICON: return 16;
        case SM_CXSCREEN:
        case SM_CYSCREEN: {
            QScreen* screen = qApp ? QGuiApplication::primaryScreen() : nullptr;
            if (!screen) return 0;
            return index == SM_CXSCREEN ? screen->size().width() : screen->size().height();
        }
        default: return 0;
        }
    }
};

// One message per activation: a handler that runs a nested loop (a message box,
// a modal dialog) lets that loop take the next one, as Windows' loops do.
void DispatchOneMessage()
{
    MSG message{};
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) && message.message != WM_QUIT) DispatchMessageA(&message);
}

}  // namespace

win32::user::WindowDriver& QtWindows()
{
    static QtWindowDriver driver;
    return driver;
}

void EnsureMessagePump()
{
    static QtDisplay display;
    win32::user::SetDisplayDriver(&display);
    static QPointer<QSocketNotifier> pump;
    if (pump || !qApp) return;
    pump = new QSocketNotifier(win32::user::QueueWaitDescriptor(), QSocketNotifier::Read, qApp);
    QObject::connect(pump.data(), &QSocketNotifier::activated, qApp, [] { DispatchOneMessage(); });
}

bool ShowWidget(QWidget* widget, int showCommand)
{
    if (!widget) return false;
    const bool wasVisible = widget->isVisible();
    switch (showCommand) {
    case SW_HIDE: widget->hide(); break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE: widget->showMinimized(); break;
    case SW_SHOWMAXIMIZED: widget->showMaximized(); break;
    case SW_RESTORE:
    case SW_SHOWNORMAL: widget->isWindow() ? widget->showNormal() : widget->show(); break;
    default: widget->show(); break;
    }
    return wasVisible;
}

}  // namespace afx_detail
