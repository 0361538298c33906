#include "dialog_window.h"

#include <QAbstractButton>
#include <QApplication>
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

namespace {

// The letter a caption marks with & (a doubled && is a plain ampersand), or 0.
QChar MnemonicOf(const QString& caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&')) continue;
        if (caption[i + 1] != QLatin1Char('&')) return caption[i + 1].toUpper();
        ++i;
    }
    return QChar();
}

// Alt and a letter clicks the shown, enabled button whose caption marks it, at
// once, as the dialog manager does (Qt's own mnemonic would click it later).
QAbstractButton* MnemonicButton(Window* dialog, const QKeyEvent* key)
{
    if (key->key() < Qt::Key_0 || key->key() > Qt::Key_Z) return nullptr;
    const QChar letter(static_cast<char16_t>(key->key()));
    for (const auto& control : dialog->controls) {
        auto* button = qobject_cast<QAbstractButton*>(control->widget.data());
        if (button && button->isVisible() && button->isEnabled() && MnemonicOf(button->text()) == letter) return button;
    }
    return nullptr;
}

// Alt+Space, Alt+F4 and Alt with a button's letter are system keys: they reach the
// dialog whatever control has the focus.
class SystemKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const bool override = event->type() == QEvent::ShortcutOverride;
        if ((event->type() != QEvent::KeyPress && !override) || !watched->isWidgetType()) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const bool space = key->key() == Qt::Key_Space, f4 = key->key() == Qt::Key_F4;
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier) return false;
        auto* widget = static_cast<QWidget*>(watched);
        Window* dialog = WindowFromWidget(widget->window());
        if (!dialog || !dialog->dialog || dialog->widget != widget->window()) return false;
        if (!space && !f4) {
            QAbstractButton* button = MnemonicButton(dialog, key);
            if (!button) return false;
            if (override) event->accept();  // the key press comes here rather than to Qt's shortcut
            else button->click();
            return true;
        }
        if (override) return false;
        if (space) OpenSystemMenu(dialog, dialog->widget->mapToGlobal(QPoint(0, 0)));
        else CallWindowProc(ObjectFor(dialog), WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    }
};

void InstallSystemKeyFilter()
{
    static SystemKeyFilter* filter = nullptr;
    if (filter || !qApp) return;
    filter = new SystemKeyFilter(qApp);
    qApp->installEventFilter(filter);
}

}  // namespace

DialogWindow::DialogWindow(Window* record, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), record_(record)
{
    InstallSystemKeyFilter();
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
