// Shared by the VARIANT functions: which types exist and how values are duplicated.
#pragma once

#include <oleauto.h>

#include <cstddef>

namespace com {

// Size of a value of a type that owns nothing (numbers, BOOL, ERROR, CY, DATE);
// 0 for every other type.
std::size_t PlainValueSize(VARTYPE vt);
// A base type (no VT_BYREF) that a VARIANT may hold here.
bool IsValueType(VARTYPE vt);
// A type a VARIANT may carry: a value type, or VT_BYREF with a value type or VT_VARIANT.
bool IsValidVariantType(VARTYPE vt);
// An owned copy of a variant that holds no reference: the BSTR duplicated, the
// interface given one more reference.
HRESULT DuplicateValue(const VARIANT& src, VARIANT& out);
// A non-owning view of what src holds: src itself, or the value a by-reference
// variant points at (one VT_VARIANT level followed).
HRESULT ViewValue(const VARIANT& src, VARIANT& view);

}  // namespace com
