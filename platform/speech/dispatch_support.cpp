#include "dispatch_support.h"

#include <string>

namespace speech::dispatch {
namespace {

char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameName(std::u16string_view a, LPCOLESTR b)
{
    std::size_t i = 0;
    for (; i < a.size(); ++i)
        if (!b[i] || Fold(a[i]) != Fold(b[i])) return false;
    return b[i] == 0;
}

}  // namespace

HRESULT IdsOfNames(std::initializer_list<Member> members, REFIID riid, LPOLESTR* names, UINT count, DISPID* ids)
{
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids) return E_POINTER;
    if (count == 0) return S_OK;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (names[0]) {
        for (const Member& member : members)
            if (SameName(member.name, names[0])) ids[0] = member.id;
    }
    if (ids[0] == DISPID_UNKNOWN || count > 1) hr = DISP_E_UNKNOWNNAME;
    return hr;
}

HRESULT Arguments::Check(UINT min, UINT max, bool propertyPut) const
{
    UINT named = params_ ? params_->cNamedArgs : 0;
    if (propertyPut) {
        if (Count() != 1) return DISP_E_BADPARAMCOUNT;
        if (named > 1 || (named == 1 && params_->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
            return DISP_E_NONAMEDARGS;
        return S_OK;
    }
    if (named) return DISP_E_NONAMEDARGS;
    if (Count() < min || Count() > max) return DISP_E_BADPARAMCOUNT;
    return S_OK;
}

HRESULT Arguments::Get(UINT index, VARTYPE vt, VARIANT& out, UINT* argErr) const
{
    VariantInit(&out);
    if (!params_ || index >= params_->cArgs || !params_->rgvarg) return DISP_E_PARAMNOTFOUND;
    UINT slot = params_->cArgs - 1 - index;
    HRESULT hr = VariantChangeType(&out, &params_->rgvarg[slot], 0, vt);
    if (FAILED(hr)) {
        if (argErr) *argErr = slot;
        return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

HRESULT RaiseException(EXCEPINFO* excepInfo, HRESULT code, std::u16string_view description)
{
    if (excepInfo) {
        *excepInfo = EXCEPINFO{};
        std::u16string text(description);
        excepInfo->bstrSource = SysAllocString(u"Speech engine");
        excepInfo->bstrDescription = SysAllocString(text.c_str());
        excepInfo->scode = code;
    }
    return DISP_E_EXCEPTION;
}

HRESULT NoTypeInfoCount(UINT* count)
{
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT NoTypeInfo(ITypeInfo** typeInfo)
{
    if (typeInfo) *typeInfo = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT CheckInvoke(REFIID riid, VARIANT*)
{
    return riid == IID_NULL ? S_OK : DISP_E_UNKNOWNINTERFACE;
}

void ReturnI4(VARIANT* result, LONG value)
{
    if (!result) return;
    VariantInit(result);
    result->vt = VT_I4;
    result->lVal = value;
}

HRESULT ReturnBstr(VARIANT* result, std::u16string_view text)
{
    if (!result) return S_OK;
    VariantInit(result);
    BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!copy) return E_OUTOFMEMORY;
    result->vt = VT_BSTR;
    result->bstrVal = copy;
    return S_OK;
}

void ReturnDispatch(VARIANT* result, IDispatch* object)
{
    if (!result) {
        if (object) object->Release();
        return;
    }
    VariantInit(result);
    result->vt = VT_DISPATCH;
    result->pdispVal = object;
}

}  // namespace speech::dispatch
