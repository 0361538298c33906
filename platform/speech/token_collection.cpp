#include "token_collection.h"

#include "dispatch_support.h"
#include "object_token.h"
#include "wide_text.h"

#include <string>

namespace speech {

HRESULT TokenCollection::GetTypeInfoCount(UINT* count) { return dispatch::NoTypeInfoCount(count); }

HRESULT TokenCollection::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) { return dispatch::NoTypeInfo(typeInfo); }

HRESULT TokenCollection::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids)
try {
    return dispatch::IdsOfNames({{u"Item", kItem}, {u"Count", kCount}}, riid, names, count, ids);
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT TokenCollection::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* excepInfo, UINT* argErr)
try {
    if (HRESULT hr = dispatch::CheckInvoke(riid, result); FAILED(hr)) return hr;
    switch (id) {
    case kCount: {
        if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        if (HRESULT hr = dispatch::Arguments(params).Check(0, 0); FAILED(hr)) return hr;
        dispatch::ReturnI4(result, static_cast<LONG>(voices_.size()));
        return S_OK;
    }
    case kItem:
        if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
        return InvokeItem(params, result, excepInfo, argErr);
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT TokenCollection::InvokeItem(DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr)
{
    dispatch::Arguments args(params);
    if (HRESULT hr = args.Check(1, 1); FAILED(hr)) return hr;
    VARIANT index;
    HRESULT hr = args.Get(0, VT_I4, index, argErr);
    if (FAILED(hr)) return hr;
    LONG at = index.lVal;
    VariantClear(&index);
    if (at < 0 || static_cast<std::size_t>(at) >= voices_.size()) {
        std::string text = "Voice index " + std::to_string(at) + " is out of range: there are "
                         + std::to_string(voices_.size()) + " voices (0 to "
                         + std::to_string(static_cast<long>(voices_.size()) - 1) + ").";
        return dispatch::RaiseException(excepInfo, SPERR_NO_MORE_ITEMS, Utf8ToUtf16(text));
    }
    ISpObjectToken* token = ObjectToken::Create(voices_[static_cast<std::size_t>(at)]);
    if (!token) return E_OUTOFMEMORY;
    IDispatch* automation = nullptr;
    hr = token->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&automation));
    token->Release();
    if (FAILED(hr)) return hr;
    dispatch::ReturnDispatch(result, automation);
    return S_OK;
}

}  // namespace speech
