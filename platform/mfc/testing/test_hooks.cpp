#include "dialog_window.h"
#include "qt_text.h"
#include "active_test_hooks.h"
#include "framework_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>

using namespace afx_detail;

// Qt's own entry for a key press that may be a shortcut (what QTest uses).
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k, Qt::KeyboardModifiers mods,
                                               const QString& text, bool autorep, ushort count);

namespace {

Window* DialogRecord(CWnd* dialog)
{
    Window* window = dialog ? WindowFromHandle(dialog->m_hWnd) : nullptr;
    return window && window->dialog ? window : nullptr;
}

// A control a user can reach: present, shown and enabled.
Window* Reachable(CWnd* dialog, int id)
{
    Window* control = ControlById(DialogRecord(dialog), id);
    if (!control || !control->widget || !control->widget->isVisible() || !control->widget->isEnabled()) return nullptr;
    return control;
}

}  // namespace

namespace afxtest {

void EnsureGuiApplication() { EnsureApplication(); }

MessageBoxHook::MessageBoxHook() : MessageBoxHook([](const MessageBoxCall& call) { return DefaultAnswer(call.type); }) {}

MessageBoxHook::MessageBoxHook(std::function<int(const MessageBoxCall&)> answer)
    : answer_(std::move(answer)), previous_(MessageBoxHookTop())
{
    MessageBoxHookTop() = this;
}

MessageBoxHook::~MessageBoxHook() { MessageBoxHookTop() = previous_; }

FileDialogHook::FileDialogHook(std::function<std::optional<CString>(const FileDialogCall&)> choose)
    : FileDialogHook([choose = std::move(choose)](const FileDialogCall& call) -> std::optional<FileDialogChoice> {
          std::optional<CString> path = choose(call);
          if (!path) return std::nullopt;
          return FileDialogChoice(*path, 0);
      })
{
}

FileDialogHook::FileDialogHook(std::function<std::optional<FileDialogChoice>(const FileDialogCall&)> choose)
    : choose_(std::move(choose)), previous_(FileDialogHookTop())
{
    FileDialogHookTop() = this;
}

FileDialogHook::~FileDialogHook() { FileDialogHookTop() = previous_; }

ModalScript::ModalScript() : previous_(ModalScriptTop()) { ModalScriptTop() = this; }
ModalScript::~ModalScript() { ModalScriptTop() = previous_; }

ModalScript& ModalScript::Then(std::function<void(CDialog&)> step)
{
    steps_.push_back(std::move(step));
    return *this;
}

int ModalScript::Pending() const { return static_cast<int>(steps_.size() - next_); }

BOOL Click(CWnd* dialog, int id)
{
    Window* control = Reachable(dialog, id);
    auto* button = control ? qobject_cast<QAbstractButton*>(control->widget.data()) : nullptr;
    if (!button) return FALSE;
    button->setFocus(Qt::MouseFocusReason);
    button->click();
    return TRUE;
}

BOOL Type(CWnd* dialog, int id, LPCTSTR text)
{
    Window* control = Reachable(dialog, id);
    if (!control || (control->kind != ControlKind::Edit && control->kind != ControlKind::MultiLineEdit)) return FALSE;
    control->widget->setFocus(Qt::MouseFocusReason);
    if (auto* line = qobject_cast<QLineEdit*>(control->widget.data())) {
        if (line->isReadOnly()) return FALSE;
        line->selectAll();
        line->insert(FromAnsi(text));
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(control->widget.data())) {
        if (edit->isReadOnly()) return FALSE;
        edit->selectAll();
        edit->insertPlainText(FromAnsiCrLf(text));
    }
    return TRUE;
}

BOOL PickComboItem(CWnd* dialog, int id, int index)
{
    Window* control = Reachable(dialog, id);
    auto* combo = control ? qobject_cast<QComboBox*>(control->widget.data()) : nullptr;
    if (!combo || index < 0 || index >= combo->count()) return FALSE;
    combo->setFocus(Qt::MouseFocusReason);
    combo->setCurrentIndex(index);
    emit combo->activated(index);  // what the combo's popup raises for a user's pick
    return TRUE;
}

BOOL Focus(CWnd* dialog, int id)
{
    Window* control = Reachable(dialog, id);
    if (!control || control->widget->focusPolicy() == Qt::NoFocus) return FALSE;
    control->widget->setFocus(Qt::MouseFocusReason);
    return TRUE;
}

BOOL PressKey(CWnd* dialog, Key key)
{
    Window* record = DialogRecord(dialog);
    if (!record || !record->widget) return FALSE;
    int code = Qt::Key_unknown;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    QString text;
    switch (key) {
    case Key::Enter: code = Qt::Key_Return, text = QStringLiteral("\r"); break;
    case Key::CtrlEnter: code = Qt::Key_Return, modifiers = Qt::ControlModifier; break;
    case Key::Escape: code = Qt::Key_Escape; break;
    case Key::Tab: code = Qt::Key_Tab, text = QStringLiteral("\t"); break;
    case Key::ShiftTab: code = Qt::Key_Backtab, modifiers = Qt::ShiftModifier; break;
    case Key::Space: code = Qt::Key_Space, text = QStringLiteral(" "); break;
    case Key::AltSpace: code = Qt::Key_Space, modifiers = Qt::AltModifier; break;
    case Key::AltF4: code = Qt::Key_F4, modifiers = Qt::AltModifier; break;
    }
    QWidget* target = record->widget->focusWidget();
    if (!target) target = record->widget;
    QKeyEvent press(QEvent::KeyPress, code, modifiers, text);
    QApplication::sendEvent(target, &press);
    if (WindowFromHandle(record->handle()) && record->widget) {
        QWidget* releaseTarget = record->widget->focusWidget() ? record->widget->focusWidget() : record->widget.data();
        QKeyEvent release(QEvent::KeyRelease, code, modifiers, text);
        QApplication::sendEvent(releaseTarget, &release);
    }
    return TRUE;
}

BOOL PressAltKey(CWnd* dialog, char letter)
{
    Window* record = DialogRecord(dialog);
    if (!record || !record->widget || letter < 'A' || letter > 'Z') return FALSE;
    QWidget* target = record->widget->focusWidget();
    if (!target) target = record->widget;
    const int code = Qt::Key_A + (letter - 'A');
    const QString text(QChar(letter).toLower());
    // A mnemonic is a shortcut: offered to the shortcut map first, as a key from the window system is.
    if (qt_sendShortcutOverrideEvent(target, 0, code, Qt::AltModifier, text, false, 1)) return TRUE;
    QKeyEvent press(QEvent::KeyPress, code, Qt::AltModifier, text);
    QApplication::sendEvent(target, &press);
    return TRUE;
}

void ProcessPostedMessages() { QCoreApplication::processEvents(); }

BOOL CloseWindow(CWnd* dialog)
{
    Window* record = DialogRecord(dialog);
    if (!record || !record->widget) return FALSE;
    record->widget->close();  // the close box: a close event, WM_CLOSE
    return TRUE;
}

BOOL RightClickBackground(CWnd* dialog)
{
    Window* record = DialogRecord(dialog);
    if (!record || !record->widget) return FALSE;
    const QPoint inside(1, 1);
    QContextMenuEvent event(QContextMenuEvent::Mouse, inside, record->widget->mapToGlobal(inside));
    QApplication::sendEvent(record->widget, &event);
    return IsSystemMenuOpen(dialog);
}

BOOL IsSystemMenuOpen(CWnd* dialog) { return afx_detail::IsSystemMenuOpen(DialogRecord(dialog)); }

std::vector<MenuItem> SystemMenuItems(CWnd* dialog)
{
    std::vector<MenuItem> items;
    SystemMenuModel* model = SystemMenuOf(DialogRecord(dialog), false);
    if (!model || !model->popup) return items;
    for (QAction* action : model->popup->actions()) {
        if (action->isSeparator()) items.push_back({0, CString(), TRUE, FALSE});
        else items.push_back({action->data().toUInt(), CString(ToAnsi(action->text()).c_str()), FALSE, action->isEnabled()});
    }
    return items;
}

BOOL ChooseSystemMenuItem(CWnd* dialog, UINT id)
{
    Window* record = DialogRecord(dialog);
    if (!record || !record->widget) return FALSE;
    if (!afx_detail::IsSystemMenuOpen(record)) OpenSystemMenu(record, record->widget->mapToGlobal(QPoint(0, 0)));
    SystemMenuModel* model = SystemMenuOf(record, false);
    if (!model || !model->popup) return FALSE;
    for (QAction* action : model->popup->actions()) {
        if (action->isSeparator() || action->data().toUInt() != id) continue;
        if (!action->isEnabled()) return FALSE;
        model->popup->hide();
        RunSystemCommand(record, id);  // at once, so a test step sees its effect
        return TRUE;
    }
    model->popup->hide();
    return FALSE;
}

BOOL GetControlRect(CWnd* dialog, int id, RECT* rect)
{
    Window* control = ControlById(DialogRecord(dialog), id);
    if (!control || !control->widget || !rect) return FALSE;
    const QRect geometry = control->widget->geometry();
    *rect = {geometry.left(), geometry.top(), geometry.left() + geometry.width(), geometry.top() + geometry.height()};
    return TRUE;
}

SIZE DialogBaseUnits(CWnd* dialog)
{
    Window* record = DialogRecord(dialog);
    if (!record) return {0, 0};
    return {record->dialog->avgCharWidth, record->dialog->charHeight};
}

CString DialogFontFamily(CWnd* dialog)
{
    Window* record = DialogRecord(dialog);
    if (!record || !record->widget) return CString();
    return CString(ToAnsi(QFontInfo(record->widget->font()).family()).c_str());
}

std::vector<int> TabOrder(CWnd* dialog)
{
    std::vector<int> ids;
    Window* record = DialogRecord(dialog);
    if (!record || !record->widget) return ids;
    QWidget* start = record->widget;
    for (QWidget* widget = start->nextInFocusChain(); widget && widget != start; widget = widget->nextInFocusChain()) {
        Window* control = WindowFromWidget(widget);
        if (!control || control->parent != record || control->widget != widget) continue;
        if ((widget->focusPolicy() & Qt::TabFocus) && !widget->isHidden() && widget->isEnabled()) ids.push_back(control->id);
    }
    return ids;
}

int FocusedControlId(CWnd* dialog)
{
    Window* record = DialogRecord(dialog);
    if (!record || !record->widget) return 0;
    Window* focused = WindowFromWidget(record->widget->focusWidget());
    return focused && focused->parent == record ? focused->id : 0;
}

BOOL IsControlShown(CWnd* dialog, int id)
{
    Window* control = ControlById(DialogRecord(dialog), id);
    return control && control->widget && control->widget->isVisible();
}

BOOL IsDefaultButton(CWnd* dialog, int id)
{
    Window* record = DialogRecord(dialog);
    return record && record->dialog->defaultId == static_cast<UINT>(id);
}

int TimerTicks(CWnd* window)
{
    Window* record = window ? WindowFromHandle(window->m_hWnd) : nullptr;
    return record && record->widget ? record->widget->property("varnel.timerTicks").toInt() : 0;
}

int TopLevelWindowCount() { return qApp ? static_cast<int>(QApplication::topLevelWidgets().size()) : 0; }

BOOL GrabWindow(CWnd* window, const char* pngPath)
{
    Window* record = window ? WindowFromHandle(window->m_hWnd) : nullptr;
    if (!record || !record->widget || !pngPath) return FALSE;
    return record->widget->grab().save(QString::fromLocal8Bit(pngPath), "PNG");
}

}  // namespace afxtest
