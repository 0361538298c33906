#include "framework_window.h"

#include "qt_text.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

using namespace afx_detail;

IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)

namespace {

LRESULT Send(const CWnd* wnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return ::SendMessageA(wnd->m_hWnd, message, wParam, lParam);
}

}  // namespace

HICON CStatic::SetIcon(HICON icon)
{
    Window* window = WindowFromHandle(m_hWnd);
    auto* label = window ? qobject_cast<QLabel*>(window->widget.data()) : nullptr;
    if (!label) return nullptr;
    HICON previous = reinterpret_cast<HICON>(label->property("afxIcon").value<quintptr>());
    label->setProperty("afxIcon", QVariant::fromValue(reinterpret_cast<quintptr>(icon)));
    label->setPixmap(IconPixmap(icon, GetSystemMetrics(SM_CXICON)));
    return previous;
}

HICON CStatic::GetIcon() const
{
    Window* window = WindowFromHandle(m_hWnd);
    return window && window->widget ? reinterpret_cast<HICON>(window->widget->property("afxIcon").value<quintptr>()) : nullptr;
}

int CButton::GetCheck() const { return static_cast<int>(Send(this, BM_GETCHECK)); }
void CButton::SetCheck(int check) { Send(this, BM_SETCHECK, static_cast<WPARAM>(check)); }

UINT CButton::GetButtonStyle() const
{
    Window* window = WindowFromHandle(m_hWnd);
    return window ? (window->style & 0xFF) : 0;
}

void CEdit::SetSel(int start, int end, BOOL) { Send(this, EM_SETSEL, static_cast<WPARAM>(start), end); }

void CEdit::GetSel(int& start, int& end) const
{
    DWORD from = 0, to = 0;
    Send(this, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    start = static_cast<int>(from);
    end = static_cast<int>(to);
}

void CEdit::ReplaceSel(LPCTSTR newText, BOOL)
{
    Window* window = WindowFromHandle(m_hWnd);
    if (!window) return;
    if (auto* line = qobject_cast<QLineEdit*>(window->widget.data())) line->insert(FromAnsi(newText));
    else if (auto* edit = qobject_cast<QPlainTextEdit*>(window->widget.data())) edit->insertPlainText(FromAnsiCrLf(newText));
}

void CEdit::SetReadOnly(BOOL readOnly)
{
    Window* window = WindowFromHandle(m_hWnd);
    if (!window) return;
    if (auto* line = qobject_cast<QLineEdit*>(window->widget.data())) line->setReadOnly(readOnly);
    else if (auto* edit = qobject_cast<QPlainTextEdit*>(window->widget.data())) edit->setReadOnly(readOnly);
}

void CEdit::LimitText(int maxChars) { Send(this, EM_LIMITTEXT, static_cast<WPARAM>(maxChars)); }

int CEdit::GetLineCount() const
{
    Window* window = WindowFromHandle(m_hWnd);
    if (!window) return 0;
    if (auto* edit = qobject_cast<QPlainTextEdit*>(window->widget.data())) return edit->blockCount();
    return 1;
}

int CComboBox::AddString(LPCTSTR text) { return m_hWnd ? static_cast<int>(Send(this, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text ? text : ""))) : CB_ERR; }

int CComboBox::InsertString(int index, LPCTSTR text)
{
    return m_hWnd ? static_cast<int>(Send(this, CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text ? text : ""))) : CB_ERR;
}

int CComboBox::DeleteString(UINT index) { return m_hWnd ? static_cast<int>(Send(this, CB_DELETESTRING, index)) : CB_ERR; }
void CComboBox::ResetContent() { Send(this, CB_RESETCONTENT); }
int CComboBox::GetCount() const { return m_hWnd ? static_cast<int>(Send(this, CB_GETCOUNT)) : CB_ERR; }
int CComboBox::GetCurSel() const { return m_hWnd ? static_cast<int>(Send(this, CB_GETCURSEL)) : CB_ERR; }
int CComboBox::SetCurSel(int index) { return m_hWnd ? static_cast<int>(Send(this, CB_SETCURSEL, static_cast<WPARAM>(index))) : CB_ERR; }

int CComboBox::GetLBText(int index, LPTSTR buffer) const
{
    if (!m_hWnd || !buffer) return CB_ERR;
    return static_cast<int>(Send(this, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer)));
}

void CComboBox::GetLBText(int index, CString& text) const
{
    const int length = GetLBTextLen(index);
    if (length < 0) {
        text.Empty();
        return;
    }
    GetLBText(index, text.GetBuffer(length));
    text.ReleaseBuffer(length);
}

int CComboBox::GetLBTextLen(int index) const
{
    return m_hWnd ? static_cast<int>(Send(this, CB_GETLBTEXTLEN, static_cast<WPARAM>(index))) : CB_ERR;
}

int CComboBox::FindStringExact(int startAfter, LPCTSTR text) const
{
    return m_hWnd ? static_cast<int>(Send(this, CB_FINDSTRINGEXACT, static_cast<WPARAM>(startAfter), reinterpret_cast<LPARAM>(text ? text : ""))) : CB_ERR;
}
