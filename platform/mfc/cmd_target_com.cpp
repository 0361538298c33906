// Command targets as COM objects: the reference count and QueryInterface through
// the interface map chain.
#include <afxwin.h>

// Every command target can offer the IDispatch that EnableAutomation switches on.
const AFX_INTERFACEMAP* CCmdTarget::GetThisInterfaceMap()
{
    static const AFX_INTERFACEMAP_ENTRY entries[] = {
        INTERFACE_PART(CCmdTarget, IID_IDispatch, Dispatch)
        {nullptr, nullptr}};
    static const AFX_INTERFACEMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_INTERFACEMAP* CCmdTarget::GetInterfaceMap() const { return GetThisInterfaceMap(); }

const AFX_DISPMAP* CCmdTarget::GetThisDispatchMap()
{
    static const AFX_DISPMAP_ENTRY entries[] = {{nullptr, DISPID_UNKNOWN}};
    static const AFX_DISPMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_DISPMAP* CCmdTarget::GetDispatchMap() const { return GetThisDispatchMap(); }

void CCmdTarget::EnableAutomation() { m_xDispatch.m_bEnabled = TRUE; }

LPDISPATCH CCmdTarget::GetIDispatch(BOOL bAddRef)
{
    if (!m_xDispatch.m_bEnabled) return nullptr;
    if (bAddRef) m_xDispatch.AddRef();
    return &m_xDispatch;
}

CCmdTarget* CCmdTarget::FromIDispatch(LPDISPATCH lpDispatch)
{
    auto* part = dynamic_cast<XDispatch*>(lpDispatch);
    return part ? part->Owner() : nullptr;
}

LPUNKNOWN CCmdTarget::GetInterface(const void* iid)
{
    if (!iid) return nullptr;
    const IID& wanted = *static_cast<const IID*>(iid);
    const bool anyPart = wanted == IID_IUnknown;
    for (const AFX_INTERFACEMAP* map = GetInterfaceMap(); map;) {
        for (const AFX_INTERFACEMAP_ENTRY* entry = map->pEntry; entry->piid; ++entry) {
            if (!anyPart && *entry->piid != wanted) continue;
            if (LPUNKNOWN part = entry->pfnGetPart(this)) return part;
        }
        map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr;
    }
    return nullptr;
}

DWORD CCmdTarget::InternalAddRef() { return static_cast<DWORD>(++m_dwRef); }

DWORD CCmdTarget::InternalRelease()
{
    if (m_dwRef == 0) return 0;
    const LONG left = --m_dwRef;
    if (left == 0) OnFinalRelease();  // may delete this: only the local is used after
    return static_cast<DWORD>(left);
}

HRESULT CCmdTarget::InternalQueryInterface(const void* iid, LPVOID* ppvObj)
{
    if (!ppvObj) return E_POINTER;
    LPUNKNOWN part = GetInterface(iid);
    *ppvObj = part;
    if (!part) return E_NOINTERFACE;
    part->AddRef();
    return S_OK;
}

DWORD CCmdTarget::ExternalAddRef() { return InternalAddRef(); }
DWORD CCmdTarget::ExternalRelease() { return InternalRelease(); }
HRESULT CCmdTarget::ExternalQueryInterface(const void* iid, LPVOID* ppvObj) { return InternalQueryInterface(iid, ppvObj); }
