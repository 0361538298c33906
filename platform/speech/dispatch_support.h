// Shared pieces of the engine's automation objects: names, arguments, exceptions.
#pragma once

#include <oleauto.h>

#include <initializer_list>
#include <string_view>

namespace speech::dispatch {

struct Member {
    std::u16string_view name;
    DISPID id;
};

// GetIDsOfNames over a member table; names compare without regard to ASCII case.
// Argument names (names[1...]) are not known: DISP_E_UNKNOWNNAME with DISPID_UNKNOWN.
HRESULT IdsOfNames(std::initializer_list<Member> members, REFIID riid, LPOLESTR* names, UINT count, DISPID* ids);

// The arguments of a call, checked against what a member takes.
class Arguments {
public:
    explicit Arguments(DISPPARAMS* params) : params_(params) {}

    // DISP_E_BADPARAMCOUNT outside min..max; DISP_E_NONAMEDARGS for named arguments
    // other than a property put's value.
    HRESULT Check(UINT min, UINT max, bool propertyPut = false) const;
    UINT Count() const { return params_ ? params_->cArgs : 0; }
    // Argument `index` (0 = first in calling order) converted to vt into out, which the
    // caller clears. DISP_E_TYPEMISMATCH (or DISP_E_OVERFLOW) with *argErr set.
    HRESULT Get(UINT index, VARTYPE vt, VARIANT& out, UINT* argErr) const;

private:
    DISPPARAMS* params_;
};

// Fills excepInfo (when given) for a failure the object explains; DISP_E_EXCEPTION.
HRESULT RaiseException(EXCEPINFO* excepInfo, HRESULT code, std::u16string_view description);

// The engine's automation objects carry no type library.
HRESULT NoTypeInfoCount(UINT* count);
HRESULT NoTypeInfo(ITypeInfo** typeInfo);

// Common argument checks of Invoke.
HRESULT CheckInvoke(REFIID riid, VARIANT* result);

// Results handed back through the result variant (result may be null).
void ReturnI4(VARIANT* result, LONG value);
HRESULT ReturnBstr(VARIANT* result, std::u16string_view text);
void ReturnDispatch(VARIANT* result, IDispatch* object);  // takes over the reference

}  // namespace speech::dispatch
