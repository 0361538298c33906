#include <afxwin.h>

#include "error_message.h"

#include <algorithm>
#include <cstring>

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CUserException, CException)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CException)

namespace {

BOOL CopyMessage(const char* text, LPTSTR error, UINT maxError)
{
    if (!error || maxError == 0) return FALSE;
    const std::size_t length = std::min<std::size_t>(std::strlen(text), maxError - 1);
    std::memcpy(error, text, length);
    error[length] = '\0';
    return TRUE;
}

}  // namespace

namespace afx_detail {
BOOL CopyErrorMessage(const char* text, char* error, UINT maxError) { return CopyMessage(text ? text : "", error, maxError); }
}  // namespace afx_detail

namespace {
thread_local void* lastHeapException = nullptr;
}

void* CException::operator new(std::size_t size)
{
    void* block = ::operator new(size);
    lastHeapException = block;
    return block;
}

void CException::operator delete(void* block) noexcept { ::operator delete(block); }

CException::CException() : m_bReadyForDelete(this == lastHeapException)
{
    if (m_bReadyForDelete) lastHeapException = nullptr;
}

CException::CException(BOOL autoDelete) : CException() { m_bAutoDelete = autoDelete; }

BOOL CException::GetErrorMessage(LPTSTR error, UINT maxError, PUINT helpContext) const
{
    if (helpContext) *helpContext = 0;
    if (error && maxError) *error = '\0';
    return FALSE;
}

int CException::ReportError(UINT type, UINT messageId) const
{
    char message[512];
    if (GetErrorMessage(message, sizeof message)) return AfxMessageBox(message, type);
    if (messageId) return AfxMessageBox(messageId, type);
    return AfxMessageBox("An unsupported operation was attempted.", type);
}

void CException::Delete()
{
    if (m_bAutoDelete && m_bReadyForDelete) delete this;
}

int CUserException::ReportError(UINT, UINT) const { return 0; }

BOOL CMemoryException::GetErrorMessage(LPTSTR error, UINT maxError, PUINT helpContext) const
{
    if (helpContext) *helpContext = 0;
    return CopyMessage("Out of memory.", error, maxError);
}

BOOL CNotSupportedException::GetErrorMessage(LPTSTR error, UINT maxError, PUINT helpContext) const
{
    if (helpContext) *helpContext = 0;
    return CopyMessage("An unsupported operation was attempted.", error, maxError);
}

void AfxThrowUserException() { throw new CUserException; }
void AfxThrowMemoryException() { throw new CMemoryException; }
void AfxThrowNotSupportedException() { throw new CNotSupportedException; }
