#include "variant_values.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace {

using com::DuplicateValue;
using com::ViewValue;

// A number read from a variant: its value rounded half to even, and whether it was
// zero before rounding (0.4 is a true boolean but the integer 0).
struct Number {
    long double value;
    bool nonZero;
};

bool IsSpace(OLECHAR c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f'; }

long double RoundHalfEven(long double value)
{
    long double floor = std::floor(value);
    long double fraction = value - floor;
    if (fraction > 0.5L) return floor + 1;
    if (fraction < 0.5L) return floor;
    return std::fmod(floor, 2.0L) == 0 ? floor : floor + 1;
}

// Decimal text: blanks, an optional sign, digits with an optional fraction, blanks.
std::optional<Number> ParseNumber(std::u16string_view text)
{
    std::size_t i = 0;
    auto skipSpaces = [&] { while (i < text.size() && IsSpace(text[i])) ++i; };
    skipSpaces();
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    long double value = 0;
    int digits = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++digits)
        value = value * 10 + (text[i] - u'0');
    if (i < text.size() && text[i] == u'.') {
        long double scale = 0.1L;
        for (++i; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++digits, scale /= 10)
            value += (text[i] - u'0') * scale;
    }
    skipSpaces();
    if (digits == 0 || i != text.size()) return std::nullopt;
    if (negative) value = -value;
    return Number{RoundHalfEven(value), value != 0};
}

bool EqualsIgnoringCase(std::u16string_view text, std::u16string_view word)
{
    if (text.size() != word.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        OLECHAR c = text[i] >= u'A' && text[i] <= u'Z' ? OLECHAR(text[i] - u'A' + u'a') : text[i];
        if (c != word[i]) return false;
    }
    return true;
}

std::u16string_view TextOf(BSTR bstr) { return {bstr ? bstr : u"", SysStringLen(bstr)}; }

std::optional<Number> NumberOf(const VARIANT& value, HRESULT& failure)
{
    failure = DISP_E_TYPEMISMATCH;
    auto whole = [](long double v) { return Number{v, v != 0}; };
    switch (value.vt) {
    case VT_EMPTY: return whole(0);
    case VT_I1: return whole(value.cVal);
    case VT_UI1: return whole(value.bVal);
    case VT_I2: return whole(value.iVal);
    case VT_UI2: return whole(value.uiVal);
    case VT_BOOL: return whole(value.boolVal ? -1 : 0);
    case VT_I4: return whole(value.lVal);
    case VT_UI4: return whole(value.ulVal);
    case VT_INT: return whole(value.intVal);
    case VT_UINT: return whole(value.uintVal);
    case VT_I8: return whole(static_cast<long double>(value.llVal));
    case VT_UI8: return whole(static_cast<long double>(value.ullVal));
    case VT_R4:
    case VT_R8: {
        long double v = value.vt == VT_R4 ? value.fltVal : value.dblVal;
        if (!std::isfinite(v)) {
            failure = DISP_E_OVERFLOW;
            return std::nullopt;
        }
        return Number{RoundHalfEven(v), v != 0};
    }
    case VT_BSTR: return ParseNumber(TextOf(value.bstrVal));
    default: return std::nullopt;
    }
}

// The English words, accepted under every locale.
std::optional<VARIANT_BOOL> BooleanWord(const VARIANT& value)
{
    if (value.vt != VT_BSTR) return std::nullopt;
    std::u16string_view text = TextOf(value.bstrVal);
    if (EqualsIgnoringCase(text, u"true") || EqualsIgnoringCase(text, u"#true#")) return VARIANT_TRUE;
    if (EqualsIgnoringCase(text, u"false") || EqualsIgnoringCase(text, u"#false#")) return VARIANT_FALSE;
    return std::nullopt;
}

HRESULT ToInteger(const VARIANT& value, VARTYPE vt, VARIANT& out)
{
    HRESULT failure;
    auto number = NumberOf(value, failure);
    if (!number) return failure;
    long double v = number->value;
    auto inRange = [v](long double low, long double high) { return v >= low && v <= high; };
    out.vt = vt;
    switch (vt) {
    case VT_I2:
        if (!inRange(INT16_MIN, INT16_MAX)) return DISP_E_OVERFLOW;
        out.iVal = static_cast<SHORT>(v);
        return S_OK;
    case VT_UI2:
        if (!inRange(0, UINT16_MAX)) return DISP_E_OVERFLOW;
        out.uiVal = static_cast<USHORT>(v);
        return S_OK;
    default:
        if (!inRange(INT32_MIN, INT32_MAX)) return DISP_E_OVERFLOW;
        out.lVal = static_cast<LONG>(v);
        return S_OK;
    }
}

HRESULT ToBoolean(const VARIANT& value, VARIANT& out)
{
    out.vt = VT_BOOL;
    if (auto word = BooleanWord(value)) {
        out.boolVal = *word;
        return S_OK;
    }
    HRESULT failure;
    auto number = NumberOf(value, failure);
    if (!number) return failure;
    out.boolVal = number->nonZero ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

std::string DecimalText(const VARIANT& value, USHORT flags)
{
    char text[64];
    switch (value.vt) {
    case VT_BOOL:
        if (flags & VARIANT_ALPHABOOL) return value.boolVal ? "True" : "False";
        return value.boolVal ? "-1" : "0";
    case VT_R4: std::snprintf(text, sizeof text, "%.7G", static_cast<double>(value.fltVal)); return text;
    case VT_R8: std::snprintf(text, sizeof text, "%.15G", value.dblVal); return text;
    case VT_UI8: std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(value.ullVal)); return text;
    default: break;
    }
    HRESULT ignored;
    auto number = NumberOf(value, ignored);
    std::snprintf(text, sizeof text, "%.0Lf", number ? number->value : 0.0L);
    return text;
}

HRESULT ToText(const VARIANT& value, USHORT flags, VARIANT& out)
{
    switch (value.vt) {
    case VT_NULL: case VT_DISPATCH: case VT_UNKNOWN: case VT_ERROR: case VT_CY: case VT_DATE:
        return DISP_E_TYPEMISMATCH;
    default: break;
    }
    std::string text = value.vt == VT_EMPTY ? std::string() : DecimalText(value, flags);
    std::u16string wide(text.begin(), text.end());  // ASCII only
    out.vt = VT_BSTR;
    out.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return out.bstrVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT ToInterface(const VARIANT& value, VARTYPE vt, VARIANT& out)
{
    if (value.vt != VT_DISPATCH && value.vt != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
    out.vt = vt;
    out.punkVal = nullptr;
    if (!value.punkVal) return S_OK;
    REFIID iid = vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown;
    HRESULT hr = value.punkVal->QueryInterface(iid, reinterpret_cast<void**>(&out.punkVal));
    return FAILED(hr) ? DISP_E_TYPEMISMATCH : S_OK;
}

HRESULT Convert(const VARIANT& value, USHORT flags, VARTYPE vt, VARIANT& out);

// An object converts through its value property (DISPID_VALUE), as automation does.
HRESULT ConvertObjectValue(const VARIANT& value, USHORT flags, VARTYPE vt, VARIANT& out)
{
    if (value.vt == VT_UNKNOWN || !value.pdispVal || (flags & VARIANT_NOVALUEPROP)) return DISP_E_TYPEMISMATCH;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT property;
    VariantInit(&property);
    HRESULT hr = value.pdispVal->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &property, nullptr,
                                        nullptr);
    if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
    hr = Convert(property, flags | VARIANT_NOVALUEPROP, vt, out);
    VariantClear(&property);
    return hr;
}

HRESULT Convert(const VARIANT& value, USHORT flags, VARTYPE vt, VARIANT& out)
{
    VariantInit(&out);
    if (value.vt == vt) return DuplicateValue(value, out);
    if (vt == VT_EMPTY) return S_OK;
    if (vt == VT_DISPATCH || vt == VT_UNKNOWN) return ToInterface(value, vt, out);
    if (value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN) return ConvertObjectValue(value, flags, vt, out);
    if (vt == VT_NULL) {
        if (value.vt != VT_EMPTY) return DISP_E_TYPEMISMATCH;
        out.vt = VT_NULL;
        return S_OK;
    }
    if (value.vt == VT_NULL) return DISP_E_TYPEMISMATCH;
    switch (vt) {
    case VT_I2: case VT_I4: case VT_UI2: return ToInteger(value, vt, out);
    case VT_BOOL: return ToBoolean(value, out);
    case VT_BSTR: return ToText(value, flags, out);
    default: return DISP_E_BADVARTYPE;  // a type this runtime does not convert to
    }
}

bool IsSupportedTarget(VARTYPE vt)
{
    switch (vt) {
    case VT_EMPTY: case VT_NULL: case VT_I2: case VT_I4: case VT_UI2: case VT_BOOL: case VT_BSTR:
    case VT_DISPATCH: case VT_UNKNOWN:
        return true;
    default: return false;
    }
}

}  // namespace

HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT flags, VARTYPE vt)
{
    if (!dest || !src) return E_INVALIDARG;
    if (!IsSupportedTarget(vt)) return DISP_E_BADVARTYPE;
    VARIANT view;
    HRESULT hr = ViewValue(*src, view);
    if (FAILED(hr)) return hr;
    VARIANT converted;
    hr = Convert(view, flags, vt, converted);
    if (FAILED(hr)) {
        VariantClear(&converted);
        return hr;
    }
    // dest may be src: replace it only now that the new value exists.
    hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&converted);
        return hr;
    }
    *dest = converted;
    return S_OK;
}

HRESULT VariantChangeTypeEx(VARIANTARG* dest, const VARIANTARG* src, LCID, USHORT flags, VARTYPE vt)
{
    return VariantChangeType(dest, src, flags, vt);
}
