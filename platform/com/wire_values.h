// VARIANTs to and from the values of the protocol (platform-internal). Each
// side says how its objects become ids and back.
#pragma once

#include "variant_values.h"
#include "wire_protocol.h"

#include <oleauto.h>

#include <cstring>

namespace com::wire {

// A variant that holds its value (no VT_BYREF) as a Value. objectToId is
// HRESULT(IUnknown*, ObjectId&) and is called for non-null objects.
// DISP_E_BADVARTYPE for a type that does not travel.
template <class ObjectToId>
HRESULT VariantToValue(const VARIANT& in, Value& out, ObjectToId&& objectToId)
{
    out = Value{};
    out.vt = out.valueVt = in.vt;
    switch (in.vt) {
    case VT_EMPTY:
    case VT_NULL: return S_OK;
    case VT_BSTR:
        if (in.bstrVal) out.text.emplace(in.bstrVal, SysStringLen(in.bstrVal));
        return S_OK;
    case VT_DISPATCH:
    case VT_UNKNOWN: return in.punkVal ? objectToId(in.punkVal, out.object) : S_OK;
    default: break;
    }
    std::size_t size = PlainValueSize(in.vt);
    if (size == 0) return DISP_E_BADVARTYPE;
    std::memcpy(&out.bits, &in.llVal, size);
    return S_OK;
}

// A Value's value as a variant of its valueVt that owns what it holds. idToObject
// is HRESULT(ObjectId, VARTYPE, IUnknown**) giving a reference for non-zero ids.
template <class IdToObject>
HRESULT ValueToVariant(const Value& in, VARIANT& out, IdToObject&& idToObject)
{
    VariantInit(&out);
    switch (in.valueVt) {
    case VT_EMPTY:
    case VT_NULL: break;
    case VT_BSTR:
        if (in.text) {
            out.bstrVal = SysAllocStringLen(in.text->data(), static_cast<UINT>(in.text->size()));
            if (!out.bstrVal) return E_OUTOFMEMORY;
        }
        break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        if (in.object) {
            HRESULT hr = idToObject(in.object, in.valueVt, &out.punkVal);
            if (FAILED(hr)) return hr;
        }
        break;
    default: {
        std::size_t size = PlainValueSize(in.valueVt);
        if (size == 0) return DISP_E_BADVARTYPE;
        std::memcpy(&out.llVal, &in.bits, size);
        break;
    }
    }
    out.vt = in.valueVt;
    return S_OK;
}

}  // namespace com::wire
