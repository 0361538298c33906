// Window timers: a QTimer per (window, id), child of the window's widget so that it
// dies with the window, delivering WM_TIMER through the window's handling.
#include "framework_window.h"

#include <QTimer>
#include <QWidget>

using namespace afx_detail;

namespace {

const char kTimerId[] = "varnel.timerId";
const char kTimerTicks[] = "varnel.timerTicks";

QTimer* FindTimer(QWidget* widget, UINT_PTR id)
{
    for (QTimer* timer : widget->findChildren<QTimer*>(Qt::FindDirectChildrenOnly))
        if (timer->property(kTimerId).toULongLong() == id) return timer;
    return nullptr;
}

}  // namespace

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, void* lpfnTimer)
{
    Window* window = WindowFromHandle(m_hWnd);
    if (!window || !window->widget || nIDEvent == 0 || lpfnTimer) return 0;
    QTimer* timer = FindTimer(window->widget, nIDEvent);  // the same id restarts it, as SetTimer does
    if (!timer) {
        timer = new QTimer(window->widget);
        timer->setProperty(kTimerId, QVariant::fromValue<qulonglong>(nIDEvent));
        HWND handle = m_hWnd;
        QObject::connect(timer, &QTimer::timeout, timer, [handle, nIDEvent] {
            Window* target = WindowFromHandle(handle);
            if (!target || !target->widget) return;
            target->widget->setProperty(kTimerTicks, target->widget->property(kTimerTicks).toInt() + 1);
            CallWindowProc(ObjectFor(target), WM_TIMER, nIDEvent, 0);
        });
    }
    timer->start(static_cast<int>(nElapse < 10 ? 10 : nElapse));  // USER_TIMER_MINIMUM
    return nIDEvent;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent)
{
    Window* window = WindowFromHandle(m_hWnd);
    QTimer* timer = window && window->widget ? FindTimer(window->widget, nIDEvent) : nullptr;
    if (!timer) return FALSE;
    timer->stop();
    timer->deleteLater();
    timer->setProperty(kTimerId, QVariant());
    return TRUE;
}
