// How an in-process server makes its classes known to the runtime (not a Windows header).
#pragma once

#include <varnel/com_object.h>
#include <objbase.h>

#include <optional>
#include <string>
#include <string_view>

using CreateInstanceFn = HRESULT (*)(IUnknown* outer, REFIID riid, void** object);

struct InprocClass {
    CLSID clsid;
    const char* progId;  // may be null; copied by the table
    CreateInstanceFn create;
};

// Adds a class, or replaces the one registered under the same CLSID. Safe from static
// initialisers of any translation unit and from any thread.
void CoRegisterInprocClass(const InprocClass&);

// Registers a class from a static object: `static InprocClassRegistrar reg{{...}};`.
struct InprocClassRegistrar {
    explicit InprocClassRegistrar(const InprocClass& inprocClass) { CoRegisterInprocClass(inprocClass); }
};

// A creation function for CoRegisterInprocClass for a ComObject class that is built
// without arguments and does not support aggregation.
template <class T>
HRESULT CreateInprocInstance(IUnknown* outer, REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return CreateComObject<T>(riid, object);
}

namespace com {

struct RegisteredClass {
    CLSID clsid;
    std::string progId;  // empty when the class has none
    CreateInstanceFn create;
};

// Lookups; ProgIDs compare without regard to ASCII case, as registry keys do.
std::optional<RegisteredClass> FindInprocClass(REFCLSID clsid);
std::optional<RegisteredClass> FindInprocClassByProgId(std::string_view progId);
// Removes a class (tests register classes of their own); true when one was removed.
bool UnregisterInprocClass(REFCLSID clsid);

}  // namespace com
