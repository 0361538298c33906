// COM support of command targets: interface maps, dispatch maps and the
// interface parts that a command target hands out.
#pragma once

#include <oaidl.h>

#include <type_traits>

class CCmdTarget;

// An interface that a command target implements as a member object (the framework's
// "interface part"). Its IUnknown is the target's, so every part of one object
// shares one reference count and one QueryInterface.
template <class Interface>
class CInterfacePart : public Interface {
public:
    explicit CInterfacePart(CCmdTarget* owner) : m_pOwner(owner) {}
    CInterfacePart(const CInterfacePart&) = delete;
    CInterfacePart& operator=(const CInterfacePart&) = delete;

    STDMETHOD(QueryInterface)(REFIID riid, void** object) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;

    // The part as the interface map answers it; a part that can be switched off
    // (the dispatch part before EnableAutomation) answers null.
    LPUNKNOWN Offered() { return this; }
    CCmdTarget* Owner() const { return m_pOwner; }

protected:
    ~CInterfacePart() = default;
    CCmdTarget* m_pOwner;
};

// ---------------------------------------------------------------- interface maps

struct AFX_INTERFACEMAP_ENTRY {
    const IID* piid;                                  // null ends the table
    LPUNKNOWN (*pfnGetPart)(CCmdTarget* target);      // the part, null when not offered
};

struct AFX_INTERFACEMAP {
    const AFX_INTERFACEMAP* (*pfnGetBaseMap)();       // null for CCmdTarget's own map
    const AFX_INTERFACEMAP_ENTRY* pEntry;
};

namespace afx_ifacemap {
template <class T, auto Part>
LPUNKNOWN GetPart(CCmdTarget* target)
{
    return (static_cast<T*>(target)->*Part).Offered();
}
}  // namespace afx_ifacemap

#define DECLARE_INTERFACE_MAP()                                  \
protected:                                                       \
    static const AFX_INTERFACEMAP* PASCAL GetThisInterfaceMap(); \
    const AFX_INTERFACEMAP* GetInterfaceMap() const override;

#define BEGIN_INTERFACE_MAP(theClass, baseClass)                                              \
    const AFX_INTERFACEMAP* theClass::GetInterfaceMap() const { return GetThisInterfaceMap(); } \
    const AFX_INTERFACEMAP* PASCAL theClass::GetThisInterfaceMap()                            \
    {                                                                                         \
        using ThisInterfaceClass = theClass;                                                  \
        using TheInterfaceBaseClass = baseClass;                                              \
        static const AFX_INTERFACEMAP_ENTRY _interfaceEntries[] = {

// The part is the member m_x<localClass>: INTERFACE_PART(CMyProxy, IID_IMy, Dispatch)
// answers IID_IMy with the IDispatch that EnableAutomation provides.
#define INTERFACE_PART(theClass, iid, localClass) \
    {&(iid), &::afx_ifacemap::GetPart<theClass, &theClass::m_x##localClass>},

#define END_INTERFACE_MAP()                                                              \
        {nullptr, nullptr}};                                                             \
        static_assert(std::is_base_of_v<TheInterfaceBaseClass, ThisInterfaceClass>,     \
                      "the interface map's base is a base of its class");                \
        static const AFX_INTERFACEMAP interfaceMap = {                                   \
            &TheInterfaceBaseClass::GetThisInterfaceMap, &_interfaceEntries[0]};         \
        return &interfaceMap;                                                            \
    }

// ---------------------------------------------------------------- dispatch maps
// The framework's automation objects have no members here: a dispatch map is
// declared and left empty, and the object's IDispatch answers accordingly.

struct AFX_DISPMAP_ENTRY {
    LPCSTR lpszName;  // null ends the table
    DISPID lDispID;
};

struct AFX_DISPMAP {
    const AFX_DISPMAP* (*pfnGetBaseMap)();  // null for CCmdTarget's own map
    const AFX_DISPMAP_ENTRY* lpEntries;
};

#define DECLARE_DISPATCH_MAP()                                  \
protected:                                                      \
    static const AFX_DISPMAP* PASCAL GetThisDispatchMap();      \
    const AFX_DISPMAP* GetDispatchMap() const override;

#define BEGIN_DISPATCH_MAP(theClass, baseClass)                                             \
    const AFX_DISPMAP* theClass::GetDispatchMap() const { return GetThisDispatchMap(); }    \
    const AFX_DISPMAP* PASCAL theClass::GetThisDispatchMap()                                \
    {                                                                                      \
        using ThisDispatchClass = theClass;                                                \
        using TheDispatchBaseClass = baseClass;                                            \
        static const AFX_DISPMAP_ENTRY _dispatchEntries[] = {

#define END_DISPATCH_MAP()                                                              \
        {nullptr, DISPID_UNKNOWN}};                                                     \
        static_assert(std::is_base_of_v<TheDispatchBaseClass, ThisDispatchClass>,       \
                      "the dispatch map's base is a base of its class");                \
        static const AFX_DISPMAP dispatchMap = {                                        \
            &TheDispatchBaseClass::GetThisDispatchMap, &_dispatchEntries[0]};           \
        return &dispatchMap;                                                            \
    }
