#include <afxdisp.h>

#include "error_message.h"

#include <varnel/status_text.h>

IMPLEMENT_DYNAMIC(COleException, CException)
IMPLEMENT_DYNAMIC(COleDispatchException, CException)

SCODE COleException::Process(const CException* e)
{
    if (!e) return E_UNEXPECTED;
    if (e->IsKindOf(RUNTIME_CLASS(COleException))) return static_cast<const COleException*>(e)->m_sc;
    if (e->IsKindOf(RUNTIME_CLASS(COleDispatchException))) {
        const auto* dispatch = static_cast<const COleDispatchException*>(e);
        return dispatch->m_scError != S_OK ? dispatch->m_scError : DISP_E_EXCEPTION;
    }
    if (e->IsKindOf(RUNTIME_CLASS(CMemoryException))) return E_OUTOFMEMORY;
    if (e->IsKindOf(RUNTIME_CLASS(CNotSupportedException))) return E_NOTIMPL;
    return E_UNEXPECTED;
}

BOOL COleException::GetErrorMessage(LPTSTR error, UINT maxError, PUINT helpContext) const
{
    if (helpContext) *helpContext = 0;
    return afx_detail::CopyErrorMessage(com::StatusText(m_sc).c_str(), error, maxError);
}

COleDispatchException::COleDispatchException(LPCTSTR description, UINT helpId, WORD code)
    : m_wCode(code), m_strDescription(description), m_dwHelpContext(helpId)
{
}

BOOL COleDispatchException::GetErrorMessage(LPTSTR error, UINT maxError, PUINT helpContext) const
{
    if (helpContext) *helpContext = m_dwHelpContext;
    if (!m_strDescription.IsEmpty()) return afx_detail::CopyErrorMessage(m_strDescription, error, maxError);
    const SCODE status = m_scError != S_OK ? m_scError : DISP_E_EXCEPTION;
    return afx_detail::CopyErrorMessage(com::StatusText(status).c_str(), error, maxError);
}

void AfxThrowOleException(SCODE sc) { throw new COleException(sc); }

void AfxThrowOleDispatchException(WORD wCode, LPCTSTR lpszDescription, UINT nHelpID)
{
    throw new COleDispatchException(lpszDescription, nHelpID, wCode);
}
