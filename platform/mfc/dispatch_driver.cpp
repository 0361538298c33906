#include <afxdisp.h>
#include <objbase.h>
#include <oleauto.h>

#include "ansi_text.h"

#include <cstring>
#include <utility>
#include <vector>

namespace {

// The arguments of one call, in DISPPARAMS order (last argument first). Only the
// BSTRs made here are freed; lent interface pointers are left alone.
class ArgumentList {
public:
    ArgumentList(const BYTE* descriptors, va_list list)
    {
        Arguments args;
        va_copy(args.list, list);
        const std::size_t count = descriptors ? std::strlen(reinterpret_cast<const char*>(descriptors)) : 0;
        values_.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            VARIANT& value = values_[count - 1 - i];
            VariantInit(&value);
            if (!Take(static_cast<VARTYPE>(descriptors[i]), value, args)) {
                status_ = DISP_E_BADVARTYPE;
                break;
            }
        }
        va_end(args.list);
    }
    ~ArgumentList()
    {
        for (VARIANT& value : values_)
            if (value.vt == VT_BSTR) SysFreeString(value.bstrVal);
    }
    ArgumentList(const ArgumentList&) = delete;
    ArgumentList& operator=(const ArgumentList&) = delete;

    HRESULT status() const { return status_; }
    VARIANT* data() { return values_.empty() ? nullptr : values_.data(); }
    UINT size() const { return static_cast<UINT>(values_.size()); }

private:
    struct Arguments {
        va_list list;
    };

    bool Take(VARTYPE type, VARIANT& value, Arguments& args)
    {
        switch (type) {
        case VT_I2:
            value.vt = VT_I2;
            value.iVal = static_cast<SHORT>(va_arg(args.list, int));
            return true;
        case VT_I4:
            value.vt = VT_I4;
            value.lVal = static_cast<LONG>(va_arg(args.list, int));
            return true;
        case VT_BOOL:
            value.vt = VT_BOOL;
            value.boolVal = va_arg(args.list, int) ? VARIANT_TRUE : VARIANT_FALSE;
            return true;
        case VT_BSTR: {
            const char* text = va_arg(args.list, const char*);
            value.vt = VT_BSTR;
            value.bstrVal = nullptr;
            if (text) {
                const std::u16string wide = afx_detail::AnsiToWide(text);
                value.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
                if (!value.bstrVal) status_ = E_OUTOFMEMORY;
            }
            return true;
        }
        case VT_DISPATCH:
            value.vt = VT_DISPATCH;
            value.pdispVal = va_arg(args.list, IDispatch*);
            return true;
        case VT_UNKNOWN:
            value.vt = VT_UNKNOWN;
            value.punkVal = va_arg(args.list, IUnknown*);
            return true;
        case VT_VARIANT: {
            const VARIANT* lent = va_arg(args.list, const VARIANT*);
            if (!lent) return false;
            value.vt = VT_VARIANT | VT_BYREF;  // lent: the caller keeps ownership
            value.pvarVal = const_cast<VARIANT*>(lent);
            return true;
        }
        default:
            return false;
        }
    }

    std::vector<VARIANT> values_;
    HRESULT status_ = S_OK;
};

[[noreturn]] void ThrowDispatchException(EXCEPINFO& info)
{
    if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    auto* e = new COleDispatchException(nullptr, info.dwHelpContext, info.wCode);
    e->m_scError = info.scode;
    if (info.bstrDescription) e->m_strDescription = CString(info.bstrDescription, static_cast<int>(SysStringLen(info.bstrDescription)));
    if (info.bstrSource) e->m_strSource = CString(info.bstrSource, static_cast<int>(SysStringLen(info.bstrSource)));
    if (info.bstrHelpFile) e->m_strHelpFile = CString(info.bstrHelpFile, static_cast<int>(SysStringLen(info.bstrHelpFile)));
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);
    throw e;
}

// Hands the result to the caller in the form vtRet asks for; consumes `result`.
HRESULT DeliverResult(VARIANT& result, VARTYPE vtRet, void* pvRet)
{
    if (vtRet != VT_VARIANT && result.vt != vtRet) {
        VARIANT converted;
        VariantInit(&converted);
        const HRESULT hr = VariantChangeType(&converted, &result, 0, vtRet);
        VariantClear(&result);
        if (FAILED(hr)) return hr;
        result = converted;
    }
    if (!pvRet) {
        VariantClear(&result);
        return S_OK;
    }
    switch (vtRet) {
    case VT_I2: *static_cast<SHORT*>(pvRet) = result.iVal; break;
    case VT_I4: *static_cast<LONG*>(pvRet) = result.lVal; break;
    case VT_BOOL: *static_cast<BOOL*>(pvRet) = result.boolVal != VARIANT_FALSE; break;
    case VT_BSTR:
        *static_cast<CString*>(pvRet) = CString(result.bstrVal, static_cast<int>(SysStringLen(result.bstrVal)));
        VariantClear(&result);
        break;
    case VT_DISPATCH: *static_cast<IDispatch**>(pvRet) = result.pdispVal; break;  // the caller's reference now
    case VT_UNKNOWN: *static_cast<IUnknown**>(pvRet) = result.punkVal; break;
    case VT_VARIANT: *static_cast<VARIANT*>(pvRet) = result; break;
    default: VariantClear(&result); return DISP_E_BADVARTYPE;
    }
    return S_OK;
}

}  // namespace

COleDispatchDriver::COleDispatchDriver(LPDISPATCH lpDispatch, BOOL bAutoRelease)
    : m_lpDispatch(lpDispatch), m_bAutoRelease(bAutoRelease)
{
}

COleDispatchDriver::COleDispatchDriver(const COleDispatchDriver& other) : m_lpDispatch(other.m_lpDispatch)
{
    if (m_lpDispatch) m_lpDispatch->AddRef();
}

COleDispatchDriver::COleDispatchDriver(COleDispatchDriver&& other) noexcept
    : m_lpDispatch(std::exchange(other.m_lpDispatch, nullptr)), m_bAutoRelease(std::exchange(other.m_bAutoRelease, TRUE))
{
}

COleDispatchDriver& COleDispatchDriver::operator=(const COleDispatchDriver& other)
{
    if (this != &other) {
        LPDISPATCH old = m_lpDispatch;
        m_lpDispatch = other.m_lpDispatch;
        if (m_lpDispatch) m_lpDispatch->AddRef();
        if (old && m_bAutoRelease) old->Release();
        m_bAutoRelease = TRUE;
    }
    return *this;
}

COleDispatchDriver& COleDispatchDriver::operator=(COleDispatchDriver&& other) noexcept
{
    if (this != &other) {
        ReleaseDispatch();
        m_lpDispatch = std::exchange(other.m_lpDispatch, nullptr);
        m_bAutoRelease = std::exchange(other.m_bAutoRelease, TRUE);
    }
    return *this;
}

COleDispatchDriver::~COleDispatchDriver() { ReleaseDispatch(); }

BOOL COleDispatchDriver::CreateDispatch(REFCLSID clsid, COleException* pError)
{
    IUnknown* unknown = nullptr;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&unknown));
    IDispatch* dispatch = nullptr;
    if (SUCCEEDED(hr)) {
        hr = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
        unknown->Release();
    }
    if (FAILED(hr) || !dispatch) {
        if (pError) pError->m_sc = FAILED(hr) ? hr : E_NOINTERFACE;
        return FALSE;
    }
    AttachDispatch(dispatch, TRUE);
    return TRUE;
}

BOOL COleDispatchDriver::CreateDispatch(LPCTSTR lpszProgID, COleException* pError)
{
    const std::u16string progId = afx_detail::AnsiToWide(lpszProgID ? lpszProgID : "");
    CLSID clsid{};
    const HRESULT hr = CLSIDFromProgID(progId.c_str(), &clsid);
    if (FAILED(hr)) {
        if (pError) pError->m_sc = hr;
        return FALSE;
    }
    return CreateDispatch(clsid, pError);
}

void COleDispatchDriver::AttachDispatch(LPDISPATCH lpDispatch, BOOL bAutoRelease)
{
    if (lpDispatch != m_lpDispatch) ReleaseDispatch();
    m_lpDispatch = lpDispatch;
    m_bAutoRelease = bAutoRelease;
}

LPDISPATCH COleDispatchDriver::DetachDispatch()
{
    return std::exchange(m_lpDispatch, nullptr);
}

void COleDispatchDriver::ReleaseDispatch()
{
    if (LPDISPATCH old = std::exchange(m_lpDispatch, nullptr); old && m_bAutoRelease) old->Release();
}

void COleDispatchDriver::InvokeHelperRaw(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                                         const BYTE* pbParamInfo, ...)
{
    va_list args;
    va_start(args, pbParamInfo);
    struct End {
        va_list& list;
        ~End() { va_end(list); }
    } end{args};
    InvokeHelperV(dwDispID, wFlags, vtRet, pvRet, pbParamInfo, args);
}

void COleDispatchDriver::InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                                       const BYTE* pbParamInfo, va_list argList)
{
    if (!m_lpDispatch) AfxThrowOleException(E_POINTER);

    ArgumentList arguments(pbParamInfo, argList);
    if (FAILED(arguments.status())) AfxThrowOleException(arguments.status());

    DISPID namedPut = DISPID_PROPERTYPUT;
    DISPPARAMS params{arguments.data(), nullptr, arguments.size(), 0};
    if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &namedPut;
        params.cNamedArgs = 1;
    }

    VARIANT result;
    VariantInit(&result);
    EXCEPINFO info{};
    UINT argErr = 0;
    const HRESULT hr = m_lpDispatch->Invoke(dwDispID, GUID_NULL, 0, wFlags, &params,
                                            vtRet == VT_EMPTY ? nullptr : &result, &info, &argErr);
    if (FAILED(hr)) {
        VariantClear(&result);
        if (hr == DISP_E_EXCEPTION) ThrowDispatchException(info);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrHelpFile);
        AfxThrowOleException(hr);
    }
    if (vtRet == VT_EMPTY) return;
    if (const HRESULT delivered = DeliverResult(result, vtRet, pvRet); FAILED(delivered)) AfxThrowOleException(delivered);
}

void COleDispatchDriver::GetProperty(DISPID dwDispID, VARTYPE vtProp, void* pvProp) const
{
    const_cast<COleDispatchDriver*>(this)->InvokeHelperRaw(dwDispID, DISPATCH_PROPERTYGET, vtProp, pvProp, nullptr);
}
