// Automation functions: BSTR, VARIANT handling and conversion, dispatch arguments.
#pragma once

#include <oaidl.h>

// ---- BSTR: a 4-byte byte count before the text, a zero unit after it. ----------
// A null BSTR is a valid empty string everywhere.

// Copies a zero-terminated string; null for a null source (or no memory).
BSTR SysAllocString(const OLECHAR* text);
// `length` units from text (embedded zeros kept); a null text gives `length` zero units.
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
// `bytes` bytes from text, zero-terminated; a null text gives zeroed bytes.
BSTR SysAllocStringByteLen(LPCSTR text, UINT bytes);
// Replace *bstr with a new copy; FALSE (and *bstr unchanged) when out of memory.
INT SysReAllocString(BSTR* bstr, const OLECHAR* text);
INT SysReAllocStringLen(BSTR* bstr, const OLECHAR* text, UINT length);
void SysFreeString(BSTR bstr);
// The length in units, from the prefix (not up to the first zero); 0 for null.
UINT SysStringLen(BSTR bstr);
UINT SysStringByteLen(BSTR bstr);

// ---- VARIANT --------------------------------------------------------------------

void VariantInit(VARIANTARG* variant);
// Frees what the variant holds (BSTR freed, interface released) and leaves VT_EMPTY.
// DISP_E_BADVARTYPE for a type the runtime does not know (the variant is left alone).
HRESULT VariantClear(VARIANTARG* variant);
// Clears dest, then makes it a copy of src: a BSTR is duplicated, an interface gains a
// reference, a by-reference variant copies the reference.
HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src);
// As VariantCopy, but a by-reference source is copied as the value it points to.
HRESULT VariantCopyInd(VARIANT* dest, const VARIANTARG* src);

inline constexpr USHORT VARIANT_NOVALUEPROP = 0x01;    // never ask an object for its value property
inline constexpr USHORT VARIANT_ALPHABOOL = 0x02;      // VT_BOOL <-> "True"/"False" instead of "-1"/"0"
inline constexpr USHORT VARIANT_NOUSEROVERRIDE = 0x04;
inline constexpr USHORT VARIANT_LOCALBOOL = 0x10;

// Converts src to type vt into dest (dest may be src). Between VT_EMPTY, VT_NULL, VT_I2,
// VT_I4, VT_UI2, VT_BOOL, VT_BSTR, VT_DISPATCH, VT_UNKNOWN (and references to them).
// DISP_E_TYPEMISMATCH when no conversion exists or text is not a number,
// DISP_E_OVERFLOW when the value does not fit, DISP_E_BADVARTYPE for unknown types.
// On failure dest is left as it was.
HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT flags, VARTYPE vt);
HRESULT VariantChangeTypeEx(VARIANTARG* dest, const VARIANTARG* src, LCID lcid, USHORT flags, VARTYPE vt);

// ---- dispatch arguments -----------------------------------------------------------

// The argument at `position` (0 = the first argument of the call, counted in calling
// order) converted to vt into *result; named arguments are found by their DISPID
// when position is not a positional index. DISP_E_PARAMNOTFOUND when absent;
// conversion errors as VariantChangeType, with *argErr set to the argument's index in
// rgvarg.
HRESULT DispGetParam(DISPPARAMS* params, UINT position, VARTYPE vt, VARIANT* result, UINT* argErr);
