#include "dialog_builder.h"

#include "dialog_window.h"
#include "qt_text.h"
#include "resources.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cstring>
#include <strings.h>

namespace afx_detail {

namespace {

constexpr const char* kFallbackFace = "WenQuanYi Micro Hei";

bool IsClass(const AFX_DLGITEM& item, const char* name) { return strcasecmp(item.windowClass, name) == 0; }

ControlKind KindOf(const AFX_DLGITEM& item)
{
    if (IsClass(item, "BUTTON")) {
        switch (item.style & BS_TYPEMASK) {
        case BS_PUSHBUTTON:
        case BS_DEFPUSHBUTTON: return ControlKind::PushButton;
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE: return ControlKind::CheckBox;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: return ControlKind::RadioButton;
        case BS_GROUPBOX: return ControlKind::GroupBox;
        default: return ControlKind::PushButton;
        }
    }
    if (IsClass(item, "EDIT")) return (item.style & ES_MULTILINE) ? ControlKind::MultiLineEdit : ControlKind::Edit;
    if (IsClass(item, "STATIC")) return (item.style & SS_TYPEMASK) == SS_ICON ? ControlKind::Icon : ControlKind::Static;
    if (IsClass(item, "COMBOBOX")) return ControlKind::ComboBox;
    return ControlKind::Other;
}

QWidget* MakeButton(Window* control, const AFX_DLGITEM& item, QWidget* parent)
{
    const QString text = FromUtf8(item.text);
    QAbstractButton* button = nullptr;
    switch (control->kind) {
    case ControlKind::CheckBox: {
        auto* box = new QCheckBox(text, parent);
        const DWORD type = item.style & BS_TYPEMASK;
        box->setTristate(type == BS_3STATE || type == BS_AUTO3STATE);
        button = box;
        break;
    }
    case ControlKind::RadioButton: button = new QRadioButton(text, parent); break;
    default: {
        auto* push = new QPushButton(text, parent);
        push->setAutoDefault(false);  // Enter is the dialog's (DialogEnter)
        push->setDefault((item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
        button = push;
        break;
    }
    }
    QObject::connect(button, &QAbstractButton::clicked, button, [control] { NotifyParent(control, BN_CLICKED); });
    return button;
}

QWidget* MakeEdit(Window* control, const AFX_DLGITEM& item, QWidget* parent)
{
    if (control->kind == ControlKind::MultiLineEdit) {
        auto* edit = new MultiLineEdit((item.style & ES_WANTRETURN) != 0, parent);
        edit->setLineWrapMode((item.style & (ES_AUTOHSCROLL | WS_HSCROLL)) ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
        edit->setVerticalScrollBarPolicy((item.style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        edit->setHorizontalScrollBarPolicy((item.style & WS_HSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        if (!(item.style & WS_BORDER) && !(item.exStyle & WS_EX_CLIENTEDGE)) edit->setFrameShape(QFrame::NoFrame);
        edit->setReadOnly(item.style & ES_READONLY);
        edit->setPlainText(FromUtf8(item.text));
        QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [control] { NotifyParent(control, EN_CHANGE); });
        return edit;
    }
    auto* edit = new QLineEdit(FromUtf8(item.text), parent);
    edit->setFrame((item.style & WS_BORDER) || (item.exStyle & WS_EX_CLIENTEDGE));
    edit->setReadOnly(item.style & ES_READONLY);
    if (item.style & ES_PASSWORD) edit->setEchoMode(QLineEdit::Password);
    if (item.style & ES_CENTER) edit->setAlignment(Qt::AlignCenter);
    else if (item.style & ES_RIGHT) edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QObject::connect(edit, &QLineEdit::textChanged, edit, [control] { NotifyParent(control, EN_CHANGE); });
    return edit;
}

QWidget* MakeStatic(Window* control, const AFX_DLGITEM& item, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    if (control->kind == ControlKind::Icon) {
        const UINT iconId = ResourceIdFromName(item.text);
        label->setPixmap(IconPixmap(AfxLoadIcon(iconId), GetSystemMetrics(SM_CXICON)));
        return label;
    }
    const DWORD type = item.style & SS_TYPEMASK;
    label->setAlignment((type == SS_CENTER ? Qt::AlignHCenter : type == SS_RIGHT ? Qt::AlignRight : Qt::AlignLeft)
                        | ((item.style & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop));
    label->setWordWrap(type <= SS_RIGHT);
    return label;
}

QWidget* MakeCombo(Window* control, const AFX_DLGITEM& item, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setEditable((item.style & 0x3) != CBS_DROPDOWNLIST);
    // Only a user's pick notifies; SetCurSel changes currentIndex without `activated`.
    QObject::connect(combo, &QComboBox::activated, combo, [control] { NotifyParent(control, CBN_SELCHANGE); });
    return combo;
}

QWidget* MakeControl(Window* control, const AFX_DLGITEM& item, QWidget* parent)
{
    switch (control->kind) {
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: return MakeButton(control, item, parent);
    case ControlKind::GroupBox: {
        auto* box = new QGroupBox(FromUtf8(item.text), parent);
        box->setAttribute(Qt::WA_TransparentForMouseEvents);  // as Windows group boxes
        return box;
    }
    case ControlKind::Edit:
    case ControlKind::MultiLineEdit: return MakeEdit(control, item, parent);
    case ControlKind::Static:
    case ControlKind::Icon: return MakeStatic(control, item, parent);
    case ControlKind::ComboBox: return MakeCombo(control, item, parent);
    default: return new QWidget(parent);
    }
}

Qt::FocusPolicy FocusPolicyOf(const Window& control)
{
    switch (control.kind) {
    case ControlKind::Static:
    case ControlKind::Icon:
    case ControlKind::GroupBox: return Qt::NoFocus;
    default: return (control.style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus;
    }
}

Qt::WindowFlags WindowFlagsOf(DWORD style)
{
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if (style & WS_CAPTION) flags |= Qt::WindowTitleHint;
    if (style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
    return flags;
}

void PlaceControl(Window* control, const AFX_DLGITEM& item, const DialogState& units)
{
    QWidget* widget = control->widget;
    const int x = DialogUnitsToPixels(item.x, units.avgCharWidth, 4);
    const int y = DialogUnitsToPixels(item.y, units.charHeight, 8);
    int width = DialogUnitsToPixels(item.cx, units.avgCharWidth, 4);
    int height = DialogUnitsToPixels(item.cy, units.charHeight, 8);
    if (control->kind == ControlKind::ComboBox) {
        // cy is the dropped list's height; the closed box is as tall as its font needs.
        auto* combo = static_cast<QComboBox*>(widget);
        const int rowHeight = std::max(1, QFontMetrics(combo->font()).height());
        combo->setMaxVisibleItems(std::max(1, (height - combo->sizeHint().height()) / rowHeight));
        height = combo->sizeHint().height();
    } else if (control->kind == ControlKind::Icon) {
        width = height = GetSystemMetrics(SM_CXICON);  // an icon static takes the icon's size
    }
    widget->setGeometry(x, y, width, height);
}

}  // namespace

int DialogUnitsToPixels(int units, int base, int divisor)
{
    const long long product = static_cast<long long>(units) * base;
    const long long half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor : (product - half) / divisor);
}

QFont DialogFont(const char* typeFace, int pointSize)
{
    const QString wanted = FromUtf8(typeFace);
    QFont font;
    if (!wanted.isEmpty() && QFontDatabase::hasFamily(wanted)) font.setFamily(wanted);
    else if (QFontDatabase::hasFamily(QString::fromLatin1(kFallbackFace))) font.setFamily(QString::fromLatin1(kFallbackFace));
    // Points at 96 dots per inch, as a Windows desktop at 100 %.
    font.setPixelSize(std::max(1, DialogUnitsToPixels(pointSize > 0 ? pointSize : 8, 96, 72)));
    return font;
}

std::unique_ptr<Window> BuildDialog(const AFX_DLGTEMPLATE& dialog, CWnd* owner, QWidget* parent)
{
    auto record = std::make_unique<Window>();
    record->kind = ControlKind::Dialog;
    record->style = dialog.style;
    record->exStyle = dialog.exStyle;
    record->dialog = std::make_unique<DialogState>();
    DialogState& state = *record->dialog;

    auto* window = new DialogWindow(record.get(), parent, WindowFlagsOf(dialog.style));
    record->widget = window;
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setWindowModality(Qt::ApplicationModal);
    window->setWindowTitle(FromUtf8(dialog.caption));
    const QFont font = (dialog.style & DS_SETFONT) ? DialogFont(dialog.typeFace, dialog.pointSize) : DialogFont(nullptr, 9);
    window->setFont(font);
    const QFontMetrics metrics(font);
    state.avgCharWidth = (metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2;
    state.charHeight = metrics.height();
    window->setFixedSize(DialogUnitsToPixels(dialog.cx, state.avgCharWidth, 4), DialogUnitsToPixels(dialog.cy, state.charHeight, 8));
    RegisterWindow(record.get());

    bool defaultFound = false;
    QWidget* previousTabStop = nullptr;
    for (const AFX_DLGITEM& item : dialog.items) {
        auto control = std::make_unique<Window>();
        control->kind = KindOf(item);
        control->id = item.id;
        control->style = item.style;
        control->exStyle = item.exStyle;
        control->parent = record.get();
        QWidget* widget = MakeControl(control.get(), item, window);
        control->widget = widget;
        RegisterWindow(control.get());
        if (control->kind == ControlKind::Static) SetWidgetText(control.get(), FromUtf8(item.text));
        PlaceControl(control.get(), item, state);
        widget->setFocusPolicy(FocusPolicyOf(*control));
        widget->setEnabled(!(item.style & WS_DISABLED));
        if (!(item.style & WS_VISIBLE)) widget->setVisible(false);  // never shown by the framework
        if (control->kind == ControlKind::GroupBox) widget->lower();
        if (control->kind == ControlKind::PushButton && (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON && !defaultFound) {
            state.defaultId = static_cast<UINT>(item.id);
            defaultFound = true;
        }
        if (widget->focusPolicy() & Qt::TabFocus) {
            if (previousTabStop) QWidget::setTabOrder(previousTabStop, widget);
            previousTabStop = widget;
        }
        record->controls.push_back(std::move(control));
    }

    if (owner) {
        owner->m_hWnd = record->handle();
        record->permanent = owner;
    }
    return record;
}

void DestroyDialog(std::unique_ptr<Window> dialog)
{
    if (!dialog) return;
    if (QWidget* widget = dialog->widget) {
        // No notifications while the widgets go away.
        for (auto& control : dialog->controls)
            if (control->widget) QObject::disconnect(control->widget, nullptr, nullptr, nullptr);
        widget->hide();
    }
    for (auto& control : dialog->controls) UnregisterWindow(control.get());
    UnregisterWindow(dialog.get());
    delete dialog->widget.data();
}

}  // namespace afx_detail
