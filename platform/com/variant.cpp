#include "variant_values.h"

#include <cstring>

namespace com {

std::size_t PlainValueSize(VARTYPE vt)
{
    switch (vt) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: return 4;
    case VT_R8: case VT_CY: case VT_DATE: case VT_I8: case VT_UI8: return 8;
    default: return 0;
    }
}

bool IsValueType(VARTYPE vt)
{
    switch (vt) {
    case VT_EMPTY: case VT_NULL: case VT_BSTR: case VT_DISPATCH: case VT_UNKNOWN: return true;
    default: return PlainValueSize(vt) != 0;
    }
}

bool IsValidVariantType(VARTYPE vt)
{
    if (!(vt & VT_BYREF)) return IsValueType(vt);
    VARTYPE base = vt & ~VT_BYREF;
    return base == VT_VARIANT || (IsValueType(base) && base != VT_EMPTY && base != VT_NULL);
}

HRESULT DuplicateValue(const VARIANT& src, VARIANT& out)
{
    VariantInit(&out);
    if (!IsValueType(src.vt)) return DISP_E_BADVARTYPE;
    VARIANT copy = src;
    if (src.vt == VT_BSTR && src.bstrVal) {
        copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(src.bstrVal), SysStringByteLen(src.bstrVal));
        if (!copy.bstrVal) return E_OUTOFMEMORY;
    } else if ((src.vt == VT_DISPATCH || src.vt == VT_UNKNOWN) && src.punkVal) {
        src.punkVal->AddRef();
    }
    out = copy;
    return S_OK;
}

HRESULT ViewValue(const VARIANT& src, VARIANT& view)
{
    VariantInit(&view);
    if (!IsValidVariantType(src.vt)) return DISP_E_BADVARTYPE;
    if (!(src.vt & VT_BYREF)) {
        view = src;
        return S_OK;
    }
    if (!src.byref) return E_INVALIDARG;
    VARTYPE base = src.vt & ~VT_BYREF;
    if (base == VT_VARIANT) {
        const VARIANT& inner = *src.pvarVal;
        if (inner.vt & VT_BYREF) return E_INVALIDARG;  // one level only
        return ViewValue(inner, view);
    }
    view.vt = base;
    switch (base) {
    case VT_BSTR: view.bstrVal = *src.pbstrVal; break;
    case VT_DISPATCH: view.pdispVal = *src.ppdispVal; break;
    case VT_UNKNOWN: view.punkVal = *src.ppunkVal; break;
    default: std::memcpy(&view.llVal, src.byref, PlainValueSize(base)); break;
    }
    return S_OK;
}

}  // namespace com

void VariantInit(VARIANTARG* variant)
{
    if (variant) std::memset(variant, 0, sizeof *variant);
}

HRESULT VariantClear(VARIANTARG* variant)
{
    if (!variant) return E_INVALIDARG;
    if (!com::IsValidVariantType(variant->vt)) return DISP_E_BADVARTYPE;
    if (variant->vt == VT_BSTR) SysFreeString(variant->bstrVal);
    if ((variant->vt == VT_DISPATCH || variant->vt == VT_UNKNOWN) && variant->punkVal) variant->punkVal->Release();
    VariantInit(variant);
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src)
{
    if (!dest || !src) return E_INVALIDARG;
    if (dest == src) return S_OK;
    if (!com::IsValidVariantType(src->vt)) return DISP_E_BADVARTYPE;
    VARIANT copy = *src;  // a by-reference variant copies the reference itself
    HRESULT hr = (src->vt & VT_BYREF) ? S_OK : com::DuplicateValue(*src, copy);
    if (FAILED(hr)) return hr;
    hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&copy);
        return hr;
    }
    *dest = copy;
    return S_OK;
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANTARG* src)
{
    if (!dest || !src) return E_INVALIDARG;
    VARIANT view;
    HRESULT hr = com::ViewValue(*src, view);
    if (FAILED(hr)) return hr;
    VARIANT copy;
    hr = com::DuplicateValue(view, copy);
    if (FAILED(hr)) return hr;
    // dest may be src: clear only once the copy is made.
    hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&copy);
        return hr;
    }
    *dest = copy;
    return S_OK;
}
