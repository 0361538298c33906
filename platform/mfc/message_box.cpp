#include "qt_text.h"
#include "active_test_hooks.h"
#include "framework_window.h"

#include <QMessageBox>
#include <QPushButton>

#include <varnel/debug_channel.h>

#include <cstdio>
#include <vector>

using namespace afx_detail;

namespace {

struct ButtonChoice {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<ButtonChoice> ButtonsOf(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE: return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL: return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default: return {{QMessageBox::Ok, IDOK}};
    }
}

QMessageBox::Icon IconOf(UINT type)
{
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

std::size_t DefaultIndex(UINT type, std::size_t count)
{
    const std::size_t index = (type & MB_DEFMASK) >> 8;
    return index < count ? index : 0;
}

HWND DefaultOwner()
{
    if (Window* modal = ActiveModalDialog()) return modal->handle();
    CWnd* main = AfxGetMainWnd();
    return main ? main->m_hWnd : nullptr;
}

}  // namespace

namespace afxtest {

int DefaultAnswer(UINT type)
{
    const auto buttons = ButtonsOf(type);
    return buttons[DefaultIndex(type, buttons.size())].answer;
}

}  // namespace afxtest

namespace afx_detail {

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    VARNEL_TRACE(Mfc, "message box type 0x%X, %s: %s", type, caption ? caption : "", text ? text : "");
    const afxtest::MessageBoxCall call{owner, CString(caption), CString(text), type};
    if (afxtest::MessageBoxHook* hook = CurrentMessageBoxHook()) return hook->Answer(call);
    EnsureApplication();
    if (IsOffscreen()) {
        std::fprintf(stderr, "mfc: message box with no test hook on the offscreen platform: %s\n", text ? text : "");
        return afxtest::DefaultAnswer(type);
    }
    Window* ownerWindow = WindowFromHandle(owner);
    QMessageBox box(IconOf(type), FromAnsi(caption), FromAnsi(text), QMessageBox::NoButton,
                    ownerWindow && ownerWindow->widget ? ownerWindow->widget->window() : nullptr);
    const auto buttons = ButtonsOf(type);
    for (const ButtonChoice& choice : buttons) box.addButton(choice.button);
    box.setDefaultButton(buttons[DefaultIndex(type, buttons.size())].button);
    box.exec();
    for (const ButtonChoice& choice : buttons)
        if (box.clickedButton() == box.button(choice.button)) return choice.answer;
    // Closed without a button: Cancel where there is one, else the only answer.
    for (const ButtonChoice& choice : buttons)
        if (choice.answer == IDCANCEL) return IDCANCEL;
    return buttons.size() == 1 ? buttons.front().answer : IDNO;
}

}  // namespace afx_detail

int AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT)
{
    return ShowMessageBox(DefaultOwner(), lpszText ? lpszText : "", AfxGetAppName(), nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString text;
    text.LoadString(nIDPrompt);
    return AfxMessageBox(text, nType, nIDHelp);
}

int CWnd::MessageBox(LPCTSTR text, LPCTSTR caption, UINT type)
{
    return ShowMessageBox(m_hWnd, text ? text : "", caption ? caption : AfxGetAppName(), type);
}
