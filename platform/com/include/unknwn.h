// IUnknown: reference counting and interface discovery.
#pragma once

#include <guiddef.h>
#include <winerror.h>

#include <type_traits>

#define STDMETHODCALLTYPE
#define STDMETHOD(name) virtual HRESULT STDMETHODCALLTYPE name
#define STDMETHOD_(type, name) virtual type STDMETHODCALLTYPE name

// Binds an interface type to its identifier, for __uuidof-style lookups.
template <class Interface>
struct InterfaceId;

#define DECLARE_INTERFACE_IID(Interface, text)                              \
    template <>                                                             \
    struct InterfaceId<Interface> {                                         \
        static constexpr IID value = MakeGuid(text);                        \
    };                                                                      \
    inline constexpr IID IID_##Interface = InterfaceId<Interface>::value

#define __uuidof(Interface) (InterfaceId<Interface>::value)

struct IUnknown;

// The interface another one derives from, so that an object answers QueryInterface for
// every interface up the chain (ISpStream -> ISpStreamFormat -> ISequentialStream).
// Interfaces that derive straight from IUnknown need no declaration.
template <class Interface>
struct InterfaceBase {
    using type = IUnknown;
};

#define DECLARE_INTERFACE_BASE(Interface, Base)                             \
    template <>                                                             \
    struct InterfaceBase<Interface> {                                       \
        static_assert(std::is_base_of_v<Base, Interface>,                   \
                      #Interface " does not derive from " #Base);           \
        using type = Base;                                                  \
    }

struct IUnknown {
    STDMETHOD(QueryInterface)(REFIID riid, void** object) = 0;
    STDMETHOD_(ULONG, AddRef)() = 0;
    STDMETHOD_(ULONG, Release)() = 0;

protected:
    ~IUnknown() = default;
};
DECLARE_INTERFACE_IID(IUnknown, "{00000000-0000-0000-C000-000000000046}");
using LPUNKNOWN = IUnknown*;

struct IClassFactory : IUnknown {
    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** object) = 0;
    STDMETHOD(LockServer)(BOOL lock) = 0;

protected:
    ~IClassFactory() = default;
};
DECLARE_INTERFACE_IID(IClassFactory, "{00000001-0000-0000-C000-000000000046}");
