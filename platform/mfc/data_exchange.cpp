#include "framework_window.h"

#include <charconv>
#include <climits>
#include <optional>
#include <string_view>

using namespace afx_detail;

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// One decimal integer, optionally signed, with only blanks around it.
std::optional<long long> ParseInteger(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    const bool plus = !text.empty() && text.front() == '+';
    if (plus) text.remove_prefix(1);
    if (text.empty() || (plus && text.front() == '-')) return std::nullopt;
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// The framework's prompt: the program's own string when it registered one.
CString Prompt(UINT id, const char* builtIn)
{
    CString text;
    if (!text.LoadString(id)) text = builtIn;
    return text;
}

[[noreturn]] void FailWith(CDataExchange* pDX, const CString& message)
{
    AfxMessageBox(message, MB_ICONEXCLAMATION);
    pDX->Fail();
}

void RangeMessage(CDataExchange* pDX, long long minVal, long long maxVal)
{
    CString message = Prompt(AFX_IDP_PARSE_INT_RANGE, "Please enter an integer between %1 and %2.");
    CString low, high;
    low.Format("%lld", minVal);
    high.Format("%lld", maxVal);
    message.Replace("%1", low);
    message.Replace("%2", high);
    FailWith(pDX, message);
}

void TakeInteger(CDataExchange* pDX, int nIDC, long long low, long long high, auto& value)
{
    const HWND control = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        const std::string text = GetText(WindowFromHandle(control));
        const std::optional<long long> parsed = ParseInteger(text);
        if (!parsed || *parsed < low || *parsed > high)
            FailWith(pDX, Prompt(AFX_IDP_PARSE_INT, "Please enter an integer."));
        value = static_cast<std::remove_reference_t<decltype(value)>>(*parsed);
    } else {
        SetText(WindowFromHandle(control), std::to_string(value).c_str());
    }
}

}  // namespace

CDataExchange::CDataExchange(CWnd* dlgWnd, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dlgWnd) {}

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    CWnd* control = m_pDlgWnd ? m_pDlgWnd->GetDlgItem(nIDC) : nullptr;
    if (!control) AfxThrowNotSupportedException();  // a binding to a control the template lacks
    m_idLastControl = nIDC;
    m_bEditLastControl = FALSE;
    return control->m_hWnd;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC)
{
    HWND control = PrepareCtrl(nIDC);
    m_bEditLastControl = TRUE;
    return control;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_pDlgWnd) {
        if (CWnd* control = m_pDlgWnd->GetDlgItem(m_idLastControl)) {
            control->SetFocus();
            if (m_bEditLastControl) control->SendMessage(EM_SETSEL, 0, -1);
        }
    }
    AfxThrowUserException();
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd) return;
    if (!rControl.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd)) AfxThrowNotSupportedException();
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    const HWND control = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        const std::string text = GetText(WindowFromHandle(control));
        value = CString(text.data(), static_cast<int>(text.size()));
    } else {
        SetText(WindowFromHandle(control), value);
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) { TakeInteger(pDX, nIDC, INT_MIN, INT_MAX, value); }

void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value)
{
    // As the C runtime's %u, a leading minus is not a number here.
    TakeInteger(pDX, nIDC, 0, UINT_MAX, value);
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    const HWND control = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = static_cast<int>(::SendMessageA(control, BM_GETCHECK, 0, 0));
    } else {
        if (value < 0 || value > 2) value = 0;  // no check state: shown unchecked, and the member agrees
        ::SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    const HWND control = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) index = static_cast<int>(::SendMessageA(control, CB_GETCURSEL, 0, 0));
    else ::SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal)
{
    if (pDX->m_bSaveAndValidate && (value < minVal || value > maxVal)) RangeMessage(pDX, minVal, maxVal);
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal)
{
    if (pDX->m_bSaveAndValidate && (value < minVal || value > maxVal)) RangeMessage(pDX, minVal, maxVal);
}

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars)
{
    if (pDX->m_bSaveAndValidate && value.GetLength() > nChars) {
        CString message;
        message.Format("Enter no more than %d characters.", nChars);
        FailWith(pDX, message);
    } else if (!pDX->m_bSaveAndValidate && pDX->m_idLastControl) {
        pDX->m_pDlgWnd->SendDlgItemMessage(pDX->m_idLastControl, EM_LIMITTEXT, static_cast<WPARAM>(nChars), 0);
    }
}
