// The framework's core: run-time classes, CObject, exceptions, CString.
#pragma once

#include <windows.h>
#include <winerror.h>

#include <afxstr.h>

#include <cstddef>
#include <cstdint>

using SCODE = HRESULT;
using PUINT = UINT*;
using LPBYTE = BYTE*;

#ifndef PASCAL
#define PASCAL
#endif
#ifndef AFXAPI
#define AFXAPI
#endif
#ifndef AFX_CDECL
#define AFX_CDECL
#endif
#ifndef afx_msg
#define afx_msg
#endif
#ifndef AFX_NOVTABLE
#define AFX_NOVTABLE
#endif

// Debug aids of the framework: checked in no build here (they never stop the program).
#ifndef ASSERT
#define ASSERT(f) ((void)0)
#endif
#ifndef VERIFY
#define VERIFY(f) ((void)(f))
#endif
#ifndef ASSERT_VALID
#define ASSERT_VALID(p) ((void)0)
#endif
#ifndef TRACE
#define TRACE(...) ((void)0)
#endif
#ifndef TRACE0
#define TRACE0(s) ((void)0)
#endif

class CObject;

// Run-time class information: name, size, base, optional factory.
struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;
    CObject* (*m_pfnCreateObject)();   // null when not DYNCREATE
    const CRuntimeClass* m_pBaseClass; // null for CObject

    CObject* CreateObject() const;     // null when not creatable
    BOOL IsDerivedFrom(const CRuntimeClass* base) const;
    // A creatable or dynamic class registered under its name (IMPLEMENT_DYNAMIC/DYNCREATE).
    static const CRuntimeClass* FromName(LPCSTR className);
};

// Registers a class for FromName; used by the IMPLEMENT_ macros.
struct AFX_CLASSINIT {
    explicit AFX_CLASSINIT(const CRuntimeClass* newClass);
};

#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())

#define DECLARE_DYNAMIC(class_name)                         \
public:                                                     \
    static const CRuntimeClass class##class_name;           \
    static const CRuntimeClass* PASCAL GetThisClass();      \
    const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name)                       \
    DECLARE_DYNAMIC(class_name)                             \
    static CObject* PASCAL CreateObject();

#define AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, schema, factory)            \
    const CRuntimeClass class_name::class##class_name = {                                  \
        #class_name, static_cast<int>(sizeof(class_name)), schema, factory,                 \
        RUNTIME_CLASS(base_class_name)};                                                   \
    const CRuntimeClass* PASCAL class_name::GetThisClass() { return &class_name::class##class_name; } \
    const CRuntimeClass* class_name::GetRuntimeClass() const { return &class_name::class##class_name; } \
    static const AFX_CLASSINIT _init_##class_name(&class_name::class##class_name);

// The object as class_name when it is one (or derives from it), else null.
CObject* AFXAPI AfxDynamicDownCast(const CRuntimeClass* pClass, CObject* pObject);
#define DYNAMIC_DOWNCAST(class_name, object) \
    (static_cast<class_name*>(AfxDynamicDownCast(RUNTIME_CLASS(class_name), (object))))

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                       \
    CObject* PASCAL class_name::CreateObject() { return new class_name; }      \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, class_name::CreateObject)

class CObject {
public:
    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    BOOL IsKindOf(const CRuntimeClass* cls) const;

    static const CRuntimeClass classCObject;
    static const CRuntimeClass* PASCAL GetThisClass();

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

// Exceptions of the framework are thrown as pointers (`throw new ...`) and the
// catcher ends them with e->Delete().
class CException : public CObject {
    DECLARE_DYNAMIC(CException)
public:
    CException();
    explicit CException(BOOL autoDelete);
    // Writes the message (cut to maxError - 1 bytes, CP_ACP). FALSE when there is none.
    virtual BOOL GetErrorMessage(LPTSTR error, UINT maxError, PUINT helpContext = nullptr) const;
    // Shows the message in a message box (AfxMessageBox); returns the box's answer.
    virtual int ReportError(UINT type = 0 /* MB_OK */, UINT messageId = 0) const;
    // Deletes an exception made with new (when m_bAutoDelete); does nothing to
    // one on the stack.
    void Delete();

    // Marks exceptions made with new, so Delete knows it may delete them.
    static void* operator new(std::size_t size);
    static void operator delete(void* block) noexcept;

    BOOL m_bAutoDelete = TRUE;

private:
    BOOL m_bReadyForDelete = FALSE;
};

// Raised by the data exchange when a value fails; already reported to the user.
class CUserException : public CException {
    DECLARE_DYNAMIC(CUserException)
public:
    int ReportError(UINT type = 0, UINT messageId = 0) const override;  // shows nothing
};

class CMemoryException : public CException {
    DECLARE_DYNAMIC(CMemoryException)
public:
    BOOL GetErrorMessage(LPTSTR error, UINT maxError, PUINT helpContext = nullptr) const override;
};

class CNotSupportedException : public CException {
    DECLARE_DYNAMIC(CNotSupportedException)
public:
    BOOL GetErrorMessage(LPTSTR error, UINT maxError, PUINT helpContext = nullptr) const override;
};

[[noreturn]] void AFXAPI AfxThrowUserException();
[[noreturn]] void AFXAPI AfxThrowMemoryException();
[[noreturn]] void AFXAPI AfxThrowNotSupportedException();
