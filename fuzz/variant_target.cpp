// VariantChangeType and BSTRs: any value of any type (also by reference and
// unknown types), converted to any type, in place and into another variant.
// Conversions that succeed give the type asked for; numbers and booleans come
// back through their text; BSTR lengths match what was allocated.
#include "fuzz_target.h"

#include <oleauto.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

namespace {

constexpr VARTYPE kSourceTypes[] = {VT_EMPTY, VT_NULL, VT_I1,   VT_UI1,  VT_I2,      VT_UI2,  VT_I4,
                                    VT_UI4,   VT_INT,  VT_UINT, VT_I8,   VT_UI8,     VT_R4,   VT_R8,
                                    VT_BOOL,  VT_BSTR, VT_ERROR, VT_CY,  VT_DATE,    VT_DISPATCH, VT_UNKNOWN};
constexpr VARTYPE kTargetTypes[] = {VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_UI2, VT_BOOL, VT_BSTR,
                                    VT_DISPATCH, VT_UNKNOWN, VT_R8, VT_I8, VT_VARIANT, VT_BSTR | VT_BYREF};

struct Source {
    VARIANT value;     // what is converted
    VARIANT referred;  // what a by-reference value points at
};

// The value from the payload: its first bytes as a number, or all of it as text.
void Fill(VARIANT& v, VARTYPE vt, std::string_view payload)
{
    VariantInit(&v);
    v.vt = vt;
    if (vt == VT_BSTR) {
        v.bstrVal = SysAllocStringByteLen(payload.data(), static_cast<UINT>(payload.size() & ~std::size_t{1}));
        return;
    }
    if (vt == VT_DISPATCH || vt == VT_UNKNOWN) return;  // a null object
    std::memcpy(&v.llVal, payload.data(), std::min(payload.size(), sizeof v.llVal));
}

// Mode 0: the value; 1: a reference to it; 2: a reference to a variant holding it;
// 3: a type the runtime may not know at all.
void Build(Source& source, std::uint8_t mode, VARTYPE vt, std::string_view payload)
{
    VariantInit(&source.value);
    VariantInit(&source.referred);
    switch (mode % 4) {
    case 0: Fill(source.value, vt, payload); break;
    case 1:
        Fill(source.referred, vt, payload);
        source.value.vt = VT_BYREF | vt;
        source.value.byref = &source.referred.llVal;
        break;
    case 2:
        Fill(source.referred, vt, payload);
        source.value.vt = VT_BYREF | VT_VARIANT;
        source.value.pvarVal = &source.referred;
        break;
    default:
        source.value.vt = static_cast<VARTYPE>(
            payload.empty() ? 0xFFFF : static_cast<unsigned char>(payload[0]) | payload.size() << 8);
        break;
    }
}

void Release(Source& source)
{
    if (source.value.vt & VT_BYREF) VariantInit(&source.value);
    if (VariantClear(&source.value) == DISP_E_BADVARTYPE) VariantInit(&source.value);
    VariantClear(&source.referred);
}

bool IsWholeNumber(VARTYPE vt)
{
    return vt == VT_I1 || vt == VT_UI1 || vt == VT_I2 || vt == VT_UI2 || vt == VT_I4 || vt == VT_INT;
}

// A whole number or a boolean that became text becomes the same value again.
void CheckThroughText(const VARIANT& value, USHORT flags)
{
    VARIANT text, back;
    VariantInit(&text);
    VariantInit(&back);
    if (FAILED(VariantChangeType(&text, &value, flags, VT_BSTR))) return;
    FUZZ_CHECK(text.vt == VT_BSTR);
    VARTYPE backType = value.vt == VT_BOOL ? VT_BOOL : VT_I4;
    FUZZ_CHECK(SUCCEEDED(VariantChangeType(&back, &text, flags, backType)));
    VARIANT expected;
    VariantInit(&expected);
    FUZZ_CHECK(SUCCEEDED(VariantChangeType(&expected, &value, 0, backType)));
    // Any nonzero boolean is true, and true comes back as VARIANT_TRUE.
    FUZZ_CHECK(backType == VT_BOOL ? (back.boolVal != 0) == (expected.boolVal != 0) : back.lVal == expected.lVal);
    VariantClear(&text);
}

void CheckBstrLengths(std::string_view payload)
{
    const UINT bytes = static_cast<UINT>(payload.size());
    BSTR byBytes = SysAllocStringByteLen(payload.data(), bytes);
    FUZZ_CHECK(byBytes && SysStringByteLen(byBytes) == bytes && SysStringLen(byBytes) == bytes / 2);
    FUZZ_CHECK(std::memcmp(byBytes, payload.data(), bytes) == 0);
    BSTR copy = SysAllocStringLen(byBytes, bytes / 2);
    FUZZ_CHECK(copy && SysStringLen(copy) == bytes / 2 && copy[bytes / 2] == 0);
    FUZZ_CHECK(SysReAllocStringLen(&copy, copy, bytes / 4));  // from its own text, shorter
    FUZZ_CHECK(SysStringLen(copy) == bytes / 4 && std::memcmp(copy, payload.data(), bytes / 4 * 2) == 0);
    FUZZ_CHECK(SysReAllocString(&copy, byBytes));  // up to the first zero unit
    FUZZ_CHECK(SysStringLen(copy) == std::u16string_view(byBytes).size());
    SysFreeString(copy);
    SysFreeString(byBytes);
}

}  // namespace

VARNEL_FUZZ_TARGET(FuzzVariant)
{
    if (size < 3) return 0;
    const VARTYPE sourceType = kSourceTypes[data[0] % std::size(kSourceTypes)];
    const std::uint8_t mode = data[0] / std::size(kSourceTypes);
    const VARTYPE target = kTargetTypes[data[1] % std::size(kTargetTypes)];
    const USHORT flags = data[2] & (VARIANT_NOVALUEPROP | VARIANT_ALPHABOOL | VARIANT_LOCALBOOL);
    std::string_view payload(reinterpret_cast<const char*>(data + 3), size - 3);

    Source source;
    Build(source, mode, sourceType, payload);
    VARIANT converted;
    VariantInit(&converted);
    HRESULT hr = VariantChangeType(&converted, &source.value, flags, target);
    if (SUCCEEDED(hr)) FUZZ_CHECK(converted.vt == target);
    else FUZZ_CHECK(converted.vt == VT_EMPTY);

    // In place: the same outcome, and a failure leaves the value alone.
    VARIANT copy;
    VariantInit(&copy);
    if (SUCCEEDED(VariantCopy(&copy, &source.value))) {
        HRESULT inPlace = VariantChangeType(&copy, &copy, flags, target);
        FUZZ_CHECK(inPlace == hr);
        FUZZ_CHECK(SUCCEEDED(inPlace) ? copy.vt == target : copy.vt == source.value.vt);
        if (SUCCEEDED(inPlace) && target == VT_BSTR)
            FUZZ_CHECK(std::u16string_view(copy.bstrVal, SysStringLen(copy.bstrVal)) ==
                       std::u16string_view(converted.bstrVal, SysStringLen(converted.bstrVal)));
        if (!(copy.vt & VT_BYREF)) VariantClear(&copy);
    }
    if (mode % 4 == 0 && (IsWholeNumber(sourceType) || sourceType == VT_BOOL)) CheckThroughText(source.value, flags);
    VariantClear(&converted);
    Release(source);
    CheckBstrLengths(payload);
    return 0;
}
