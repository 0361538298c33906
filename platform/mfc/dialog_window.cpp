#include "dialog_window.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>

namespace afx_detail {

namespace {

bool IsEnter(const QKeyEvent* event) { return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter; }

void SendCommand(Window* dialog, UINT id)
{
    Window* control = ControlById(dialog, static_cast<int>(id));
    CallWindowProc(ObjectFor(dialog), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   control ? reinterpret_cast<LPARAM>(control->handle()) : 0);
}

}  // namespace

void DialogEnter(Window* dialog)
{
    QWidget* focus = dialog->widget ? dialog->widget->focusWidget() : nullptr;
    Window* focused = WindowFromWidget(focus);
    if (focused && focused->parent == dialog && focused->kind == ControlKind::PushButton) {
        if (focused->widget->isEnabled()) SendCommand(dialog, static_cast<UINT>(focused->id));
        return;
    }
    const UINT id = dialog->dialog->defaultId;
    if (Window* button = ControlById(dialog, static_cast<int>(id)); button && !button->widget->isEnabled()) return;
    SendCommand(dialog, id);
}

DialogWindow::DialogWindow(Window* record, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), record_(record)
{
}

void DialogWindow::keyPressEvent(QKeyEvent* event)
{
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
        SendCommand(record_, IDCANCEL);
    } else if (IsEnter(event) && (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier)) {
        DialogEnter(record_);
    } else if (event->key() == Qt::Key_Space && modifiers == Qt::AltModifier) {
        OpenSystemMenu(record_, mapToGlobal(QPoint(0, 0)));
    } else if (event->key() == Qt::Key_F4 && modifiers == Qt::AltModifier) {
        CallWindowProc(ObjectFor(record_), WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void DialogWindow::closeEvent(QCloseEvent* event)
{
    // The window system's close box: WM_CLOSE, whose handling decides.
    event->ignore();
    CallWindowProc(ObjectFor(record_), WM_CLOSE, 0, 0);
}

void DialogWindow::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    record_->dialog->painting = true;
    CallWindowProc(ObjectFor(record_), WM_PAINT, 0, 0);
    record_->dialog->painting = false;
}

void DialogWindow::contextMenuEvent(QContextMenuEvent* event)
{
    if (record_->style & WS_SYSMENU) OpenSystemMenu(record_, event->globalPos());
    event->accept();
}

MultiLineEdit::MultiLineEdit(bool wantReturn, QWidget* parent) : QPlainTextEdit(parent), wantReturn_(wantReturn)
{
    setTabChangesFocus(true);
}

void MultiLineEdit::keyPressEvent(QKeyEvent* event)
{
    if (IsEnter(event) && !wantReturn_) {
        if (event->modifiers() & Qt::ControlModifier) {
            insertPlainText(QStringLiteral("\n"));
            event->accept();
        } else {
            event->ignore();  // the dialog's Enter
        }
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

}  // namespace afx_detail
