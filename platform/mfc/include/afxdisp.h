// Automation: the dispatch driver, OLE exceptions, OLE start-up and the app lock.
#pragma once

#include <afxwin.h>
#include <oaidl.h>

#include <cstdarg>
#include <type_traits>

using LPDISPATCH = IDispatch*;

// Parameter descriptors for InvokeHelper: concatenate them into a BYTE string,
// e.g. static const BYTE params[] = VTS_BSTR VTS_I4;
#define VTS_NONE ""
#define VTS_I2 "\x02"
#define VTS_I4 "\x03"       // LONG (32-bit; pass int or LONG)
#define VTS_BSTR "\x08"     // LPCTSTR in the ANSI code page (null: a null BSTR)
#define VTS_DISPATCH "\x09" // LPDISPATCH, lent for the call (no reference taken)
#define VTS_BOOL "\x0B"     // BOOL
#define VTS_VARIANT "\x0C"  // const VARIANT*
#define VTS_UNKNOWN "\x0D"  // LPUNKNOWN, lent for the call

// A failure status of an OLE call.
class COleException : public CException {
    DECLARE_DYNAMIC(COleException)
public:
    explicit COleException(SCODE sc = S_OK) : m_sc(sc) {}
    // The status an exception carries: m_sc, the dispatch exception's m_scError, or E_UNEXPECTED.
    static SCODE PASCAL Process(const CException* e);
    // The system's text for the status (for example "Member not found.").
    BOOL GetErrorMessage(LPTSTR error, UINT maxError, PUINT helpContext = nullptr) const override;

    SCODE m_sc;
};

// An exception raised by the automation object itself (DISP_E_EXCEPTION).
class COleDispatchException : public CException {
    DECLARE_DYNAMIC(COleDispatchException)
public:
    COleDispatchException(LPCTSTR description, UINT helpId, WORD code);
    // The object's description; without one, the text of m_scError.
    BOOL GetErrorMessage(LPTSTR error, UINT maxError, PUINT helpContext = nullptr) const override;

    WORD m_wCode = 0;
    SCODE m_scError = S_OK;
    CString m_strSource;
    CString m_strDescription;
    CString m_strHelpFile;
    DWORD m_dwHelpContext = 0;
};

[[noreturn]] void AFXAPI AfxThrowOleException(SCODE sc);
[[noreturn]] void AFXAPI AfxThrowOleDispatchException(WORD wCode, LPCTSTR lpszDescription, UINT nHelpID = 0);

// Holds one IDispatch pointer and calls it late-bound.
// Ownership: with m_bAutoRelease the driver releases its pointer when destroyed or
// on ReleaseDispatch. Copying shares the pointer (one reference added) and sets
// auto-release; assignment releases what the target held (when it owned it) first.
// Moving hands the reference over without counting.
class COleDispatchDriver {
public:
    COleDispatchDriver() = default;
    COleDispatchDriver(LPDISPATCH lpDispatch, BOOL bAutoRelease = TRUE);  // takes over the reference
    COleDispatchDriver(const COleDispatchDriver& other);
    COleDispatchDriver(COleDispatchDriver&& other) noexcept;
    COleDispatchDriver& operator=(const COleDispatchDriver& other);
    COleDispatchDriver& operator=(COleDispatchDriver&& other) noexcept;
    ~COleDispatchDriver();

    // CoCreateInstance + IDispatch. FALSE on failure, with the status in *pError.
    BOOL CreateDispatch(REFCLSID clsid, COleException* pError = nullptr);
    BOOL CreateDispatch(LPCTSTR lpszProgID, COleException* pError = nullptr);
    void AttachDispatch(LPDISPATCH lpDispatch, BOOL bAutoRelease = TRUE);  // releases the old first
    LPDISPATCH DetachDispatch();  // hands the reference to the caller
    void ReleaseDispatch();

    // Calls member dwDispID. wFlags: DISPATCH_METHOD, _PROPERTYGET, _PROPERTYPUT,
    // _PROPERTYPUTREF (puts pass DISPID_PROPERTYPUT as the named argument).
    // vtRet and pvRet: VT_EMPTY (pvRet unused), VT_I4 (LONG*), VT_BSTR (CString*,
    // converted to the ANSI code page), VT_DISPATCH (LPDISPATCH*, the caller owns the
    // reference), VT_BOOL (BOOL*), VT_VARIANT (VARIANT*, caller clears).
    // pbParamInfo: VTS_ descriptors of the arguments that follow. CString arguments
    // may be passed directly for VTS_BSTR.
    // Failure: COleDispatchException* for DISP_E_EXCEPTION (the object's description,
    // source and code), COleException* with the status otherwise. A driver without
    // a pointer raises COleException(E_POINTER) and calls nothing.
    template <class... Args>
    void InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                      const Args&... args)
    {
        InvokeHelperRaw(dwDispID, wFlags, vtRet, pvRet, pbParamInfo, PassOn(args)...);
    }
    void InvokeHelperRaw(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo, ...);
    void InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                       va_list argList);

    void GetProperty(DISPID dwDispID, VARTYPE vtProp, void* pvProp) const;
    template <class T>
    void SetProperty(DISPID dwDispID, VARTYPE vtProp, const T& value)
    {
        const BYTE params[2] = {static_cast<BYTE>(vtProp), 0};
        InvokeHelper(dwDispID, vtProp == VT_DISPATCH ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT,
                     VT_EMPTY, nullptr, params, value);
    }

    operator LPDISPATCH() const { return m_lpDispatch; }

    LPDISPATCH m_lpDispatch = nullptr;
    BOOL m_bAutoRelease = TRUE;

private:
    template <class T>
    static auto PassOn(const T& value)
    {
        if constexpr (std::is_same_v<T, CString>) return value.GetString();
        else if constexpr (std::is_array_v<T>) return static_cast<const std::remove_extent_t<T>*>(value);
        else if constexpr (std::is_null_pointer_v<T>) return static_cast<void*>(nullptr);
        else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) return static_cast<int>(value);
        else return value;
    }
};

// OLE start-up: initialises COM on this thread (apartment-threaded). TRUE on success;
// the framework uninitialises it after ExitInstance.
BOOL AFXAPI AfxOleInit();
void AFXAPI AfxOleTerm(BOOL bJustRevoke = FALSE);
// Lets dialogs host controls; nothing to do here.
void AFXAPI AfxEnableControlContainer(void* pOccManager = nullptr);

// The count of active objects that keep the application alive. When it drops to
// zero in an instance not under the user's control (started with /Embedding or
// /Automation) whose main window is hidden, the main window gets WM_CLOSE; a main
// window that shows is the user's and stays.
void AFXAPI AfxOleLockApp();
void AFXAPI AfxOleUnlockApp();
BOOL AFXAPI AfxOleCanExitApp();   // count is zero
void AFXAPI AfxOleSetUserCtrl(BOOL bUserCtrl);
BOOL AFXAPI AfxOleGetUserCtrl();

// The class factory of a creatable class (DECLARE_DYNCREATE, derived from
// CCmdTarget): a COM class object for the COM runtime and the class's entries in
// the registry. Every factory built by static construction joins one list, which
// RegisterAll, RevokeAll and UpdateRegistryAll walk. A factory lives as long as
// the program: its reference count never deletes it.
class COleObjectFactory : public CCmdTarget {
    DECLARE_DYNAMIC(COleObjectFactory)
public:
    // bMultiInstance TRUE: each object comes from a fresh instance of the program
    // (registered for single use).
    COleObjectFactory(REFCLSID clsid, const CRuntimeClass* pRuntimeClass, BOOL bMultiInstance, LPCTSTR lpszProgID);
    ~COleObjectFactory() override;  // revokes a registration still in force

    // Makes the class object available to clients through the COM runtime
    // (CLSCTX_LOCAL_SERVER). FALSE when the runtime refuses.
    virtual BOOL Register();
    void Revoke();
    BOOL IsRegistered() const { return m_dwRegister != 0; }
    REFCLSID GetClassID() const { return m_clsid; }

    // TRUE writes HKEY_CLASSES_ROOT\<ProgID> and CLSID\{clsid} with this program as
    // the local server; FALSE removes them. FALSE when the registry fails.
    virtual BOOL UpdateRegistry(BOOL bRegister);

    // Each returns FALSE when one factory failed (the others are still done).
    static BOOL PASCAL RegisterAll();
    static void PASCAL RevokeAll();
    static BOOL PASCAL UpdateRegistryAll(BOOL bRegister = TRUE);

    CLSID m_clsid;
    const CRuntimeClass* m_pRuntimeClass;
    BOOL m_bMultiInstance;
    CString m_strProgID;
    DWORD m_dwRegister = 0;  // the runtime's cookie while registered

protected:
    // Builds a new object of the run-time class; null when it cannot.
    virtual CCmdTarget* OnCreateObject();
    void OnFinalRelease() override {}  // static lifetime: never deleted by a release

    class XClassFactory : public CInterfacePart<IClassFactory> {
    public:
        explicit XClassFactory(COleObjectFactory* owner) : CInterfacePart<IClassFactory>(owner) {}
        STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** object) override;
        STDMETHOD(LockServer)(BOOL lock) override;
    };
    XClassFactory m_xClassFactory{this};

    DECLARE_INTERFACE_MAP()
};

// A class with one static factory of its own, as class wizards declare it; the
// class's source defines `factory` and `guid`.
#define DECLARE_OLECREATE(class_name)        \
public:                                      \
    static COleObjectFactory factory;        \
    static const GUID guid;
