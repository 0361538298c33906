// The system's side of controls: text, check state, selection and list messages.
#include "framework_window.h"

#include "qt_text.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <cstring>

namespace afx_detail {

namespace {

constexpr const char* kRawText = "afxRawText";

// Static text without SS_NOPREFIX: "&&" shows "&", a single "&" marks the access key.
QString WithoutMnemonics(const QString& text)
{
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) shown += QLatin1Char('&'), ++i;
            continue;
        }
        shown += text[i];
    }
    return shown;
}

LRESULT CopyOut(const std::string& text, WPARAM maxCount, LPARAM buffer)
{
    auto* out = reinterpret_cast<char*>(buffer);
    if (!out || maxCount == 0) return 0;
    const std::size_t length = std::min<std::size_t>(text.size(), maxCount - 1);
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
    return static_cast<LRESULT>(length);
}

// A byte offset of the CP_ACP text as a position in the widget's text.
int WidgetPosition(Window* window, const std::string& ansi, LPARAM byteOffset)
{
    if (byteOffset < 0 || static_cast<std::size_t>(byteOffset) >= ansi.size())
        byteOffset = static_cast<LPARAM>(ansi.size());
    const std::string prefix = ansi.substr(0, static_cast<std::size_t>(byteOffset));
    const QString text = window->kind == ControlKind::MultiLineEdit ? FromAnsiCrLf(prefix.c_str()) : FromAnsi(prefix.c_str());
    return static_cast<int>(text.size());
}

LRESULT ByteOffset(Window* window, int position)
{
    QString text;
    if (auto* line = qobject_cast<QLineEdit*>(window->widget.data())) text = line->text().left(position);
    else if (auto* edit = qobject_cast<QPlainTextEdit*>(window->widget.data())) text = edit->toPlainText().left(position);
    const std::string ansi = window->kind == ControlKind::MultiLineEdit ? ToAnsiCrLf(text) : ToAnsi(text);
    return static_cast<LRESULT>(ansi.size());
}

void SetSelection(Window* window, LPARAM start, LPARAM end)
{
    const std::string ansi = GetText(window);
    if (start == 0 && end == -1) end = static_cast<LPARAM>(ansi.size());
    if (start < 0) {  // -1 start: no selection
        start = end = static_cast<LPARAM>(ansi.size());
    }
    const int from = WidgetPosition(window, ansi, start);
    const int to = WidgetPosition(window, ansi, end);
    if (auto* line = qobject_cast<QLineEdit*>(window->widget.data())) {
        line->setSelection(from, to - from);
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(window->widget.data())) {
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        edit->setTextCursor(cursor);
    }
}

LRESULT GetSelection(Window* window, WPARAM wParam, LPARAM lParam)
{
    int from = 0, to = 0;
    if (auto* line = qobject_cast<QLineEdit*>(window->widget.data())) {
        if (line->hasSelectedText()) {
            from = line->selectionStart();
            to = from + static_cast<int>(line->selectedText().size());
        } else {
            from = to = line->cursorPosition();
        }
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(window->widget.data())) {
        from = edit->textCursor().selectionStart();
        to = edit->textCursor().selectionEnd();
    }
    const LRESULT start = ByteOffset(window, from);
    const LRESULT end = ByteOffset(window, to);
    if (auto* out = reinterpret_cast<DWORD*>(wParam)) *out = static_cast<DWORD>(start);
    if (auto* out = reinterpret_cast<DWORD*>(lParam)) *out = static_cast<DWORD>(end);
    return static_cast<LRESULT>(MAKELPARAM(start, end));
}

int SortedPosition(QComboBox* combo, const QString& text)
{
    int index = 0;
    while (index < combo->count() && combo->itemText(index).compare(text, Qt::CaseInsensitive) <= 0) ++index;
    return index;
}

// Qt selects the first row added to an empty list; a Windows combo box keeps no selection.
void InsertKeepingSelection(QComboBox* combo, int at, const QString& text)
{
    const bool hadSelection = combo->currentIndex() >= 0;
    combo->insertItem(at, text);
    if (!hadSelection) combo->setCurrentIndex(-1);
}

LRESULT ComboProc(Window* window, QComboBox* combo, UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    handled = true;
    const int count = combo->count();
    const int index = static_cast<int>(static_cast<LONG_PTR>(wParam));
    switch (message) {
    case CB_ADDSTRING: {
        const QString text = FromAnsi(reinterpret_cast<const char*>(lParam));
        const int at = (window->style & CBS_SORT) ? SortedPosition(combo, text) : count;
        InsertKeepingSelection(combo, at, text);
        return at;
    }
    case CB_INSERTSTRING: {
        if (index > count) return CB_ERR;
        const int at = index < 0 ? count : index;
        InsertKeepingSelection(combo, at, FromAnsi(reinterpret_cast<const char*>(lParam)));
        return at;
    }
    case CB_DELETESTRING:
        if (index < 0 || index >= count) return CB_ERR;
        if (index == combo->currentIndex()) combo->setCurrentIndex(-1);  // the selected row goes: no selection
        combo->removeItem(index);
        return combo->count();
    case CB_RESETCONTENT:
        combo->clear();
        return CB_OKAY;
    case CB_GETCOUNT: return count;
    case CB_GETCURSEL: return combo->currentIndex() < 0 ? CB_ERR : combo->currentIndex();
    case CB_SETCURSEL:
        if (index < 0 || index >= count) {
            combo->setCurrentIndex(-1);
            return CB_ERR;
        }
        combo->setCurrentIndex(index);
        return index;
    case CB_GETLBTEXTLEN:
        if (index < 0 || index >= count) return CB_ERR;
        return static_cast<LRESULT>(ToAnsi(combo->itemText(index)).size());
    case CB_GETLBTEXT: {
        if (index < 0 || index >= count || !lParam) return CB_ERR;
        const std::string text = ToAnsi(combo->itemText(index));
        std::memcpy(reinterpret_cast<char*>(lParam), text.c_str(), text.size() + 1);
        return static_cast<LRESULT>(text.size());
    }
    case CB_FINDSTRINGEXACT: {
        const QString wanted = FromAnsi(reinterpret_cast<const char*>(lParam));
        const int start = index < 0 || index >= count ? -1 : index;
        for (int step = 1; step <= count; ++step) {
            const int at = (start + step) % count;
            if (combo->itemText(at).compare(wanted, Qt::CaseInsensitive) == 0) return at;
        }
        return CB_ERR;
    }
    default:
        handled = false;
        return 0;
    }
}

int CheckState(QAbstractButton* button)
{
    if (auto* box = qobject_cast<QCheckBox*>(button)) {
        switch (box->checkState()) {
        case Qt::Checked: return BST_CHECKED;
        case Qt::PartiallyChecked: return BST_INDETERMINATE;
        default: return BST_UNCHECKED;
        }
    }
    return button->isCheckable() && button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

void SetCheckState(Window* window, QAbstractButton* button, WPARAM state)
{
    if (auto* box = qobject_cast<QCheckBox*>(button)) {
        box->setCheckState(state == BST_CHECKED ? Qt::Checked : state == BST_INDETERMINATE ? Qt::PartiallyChecked : Qt::Unchecked);
        // A two-state box shown indeterminate by the program toggles as two-state again afterwards.
        const DWORD type = window->style & BS_TYPEMASK;
        if (state != BST_INDETERMINATE && type != BS_3STATE && type != BS_AUTO3STATE) box->setTristate(false);
    } else if (button->isCheckable()) {
        button->setChecked(state == BST_CHECKED);
    }
}

}  // namespace

std::string GetText(Window* window)
{
    QWidget* widget = window ? window->widget.data() : nullptr;
    if (!widget) return {};
    switch (window->kind) {
    case ControlKind::Dialog: return ToAnsi(widget->windowTitle());
    case ControlKind::GroupBox: return ToAnsi(static_cast<QGroupBox*>(widget)->title());
    case ControlKind::Edit: return ToAnsi(static_cast<QLineEdit*>(widget)->text());
    case ControlKind::MultiLineEdit: return ToAnsiCrLf(static_cast<QPlainTextEdit*>(widget)->toPlainText());
    case ControlKind::ComboBox: return ToAnsi(static_cast<QComboBox*>(widget)->currentText());
    default:
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) return ToAnsi(button->text());
        return ToAnsi(widget->property(kRawText).toString());
    }
}

void SetText(Window* window, const char* ansi)
{
    if (!window) return;
    SetWidgetText(window, window->kind == ControlKind::MultiLineEdit ? FromAnsiCrLf(ansi) : FromAnsi(ansi));
}

void SetWidgetText(Window* window, const QString& text)
{
    QWidget* widget = window ? window->widget.data() : nullptr;
    if (!widget) return;
    switch (window->kind) {
    case ControlKind::Dialog: widget->setWindowTitle(text); break;
    case ControlKind::GroupBox: static_cast<QGroupBox*>(widget)->setTitle(text); break;
    case ControlKind::Edit: static_cast<QLineEdit*>(widget)->setText(text); break;
    case ControlKind::MultiLineEdit: static_cast<QPlainTextEdit*>(widget)->setPlainText(text); break;
    case ControlKind::ComboBox: {
        auto* combo = static_cast<QComboBox*>(widget);
        if (combo->isEditable()) combo->setEditText(text);
        break;
    }
    case ControlKind::Static:
        widget->setProperty(kRawText, text);
        static_cast<QLabel*>(widget)->setText((window->style & SS_NOPREFIX) ? text : WithoutMnemonics(text));
        break;
    default:
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(text);
        else widget->setProperty(kRawText, text);
        break;
    }
}

LRESULT SystemWindowProc(Window* window, UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    handled = true;
    QWidget* widget = window ? window->widget.data() : nullptr;
    if (!widget) {
        handled = false;
        return 0;
    }
    switch (message) {
    case WM_SETTEXT:
        SetText(window, reinterpret_cast<const char*>(lParam));
        return TRUE;
    case WM_GETTEXT: return CopyOut(GetText(window), wParam, lParam);
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(GetText(window).size());
    default: break;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        switch (message) {
        case BM_GETCHECK: return CheckState(button);
        case BM_SETCHECK: SetCheckState(window, button, wParam); return 0;
        case BM_CLICK: button->click(); return 0;
        default: break;
        }
    }
    if (window->kind == ControlKind::Edit || window->kind == ControlKind::MultiLineEdit) {
        switch (message) {
        case EM_SETSEL: SetSelection(window, static_cast<LPARAM>(static_cast<LONG_PTR>(wParam)), lParam); return 0;
        case EM_GETSEL: return GetSelection(window, wParam, lParam);
        case EM_LIMITTEXT:
            if (auto* line = qobject_cast<QLineEdit*>(widget)) line->setMaxLength(wParam ? static_cast<int>(wParam) : 32767);
            return 0;
        default: break;
        }
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) return ComboProc(window, combo, message, wParam, lParam, handled);
    handled = false;
    return 0;
}

}  // namespace afx_detail
