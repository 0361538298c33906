#include "object_token.h"

#include "dispatch_support.h"
#include "wide_text.h"

namespace speech {

ISpObjectToken* ObjectToken::Create(const VoiceInfo& voice) { return NewComObject<ObjectToken>(voice); }

HRESULT ObjectToken::GetStringValue(LPCWSTR valueName, LPWSTR* value)
try {
    if (!value) return E_POINTER;
    *value = nullptr;
    std::u16string_view name = WideView(valueName);
    if (!name.empty()) return SPERR_NOT_FOUND;  // only the default value: the description
    *value = CoTaskMemString(voice_.description);
    return *value ? S_OK : E_OUTOFMEMORY;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT ObjectToken::GetId(LPWSTR* tokenId)
try {
    if (!tokenId) return E_POINTER;
    *tokenId = CoTaskMemString(voice_.tokenId);
    return *tokenId ? S_OK : E_OUTOFMEMORY;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT ObjectToken::GetTypeInfoCount(UINT* count) { return dispatch::NoTypeInfoCount(count); }

HRESULT ObjectToken::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) { return dispatch::NoTypeInfo(typeInfo); }

HRESULT ObjectToken::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids)
try {
    return dispatch::IdsOfNames({{u"Id", kId}, {u"GetDescription", kGetDescription}}, riid, names, count, ids);
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT ObjectToken::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                            EXCEPINFO*, UINT* argErr)
try {
    if (HRESULT hr = dispatch::CheckInvoke(riid, result); FAILED(hr)) return hr;
    dispatch::Arguments args(params);
    switch (id) {
    case kId: {
        if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        if (HRESULT hr = args.Check(0, 0); FAILED(hr)) return hr;
        return dispatch::ReturnBstr(result, voice_.tokenId);
    }
    case kGetDescription: {
        if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        if (HRESULT hr = args.Check(0, 1); FAILED(hr)) return hr;
        if (args.Count() == 1) {  // the locale: any number is fine, descriptions have one language
            VARIANT locale;
            HRESULT hr = args.Get(0, VT_I4, locale, argErr);
            VariantClear(&locale);
            if (FAILED(hr)) return hr;
        }
        return dispatch::ReturnBstr(result, voice_.description);
    }
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
} catch (...) {
    return HresultFromCaughtException();
}

}  // namespace speech
