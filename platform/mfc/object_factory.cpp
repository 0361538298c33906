// Class factories as COM class objects: IClassFactory creates objects of the
// factory's run-time class.
#include "object_factories.h"

#include <new>

namespace afx_detail {

std::vector<COleObjectFactory*>& ObjectFactories()
{
    static std::vector<COleObjectFactory*> factories;
    return factories;
}

}  // namespace afx_detail

using afx_detail::ObjectFactories;

IMPLEMENT_DYNAMIC(COleObjectFactory, CCmdTarget)

BEGIN_INTERFACE_MAP(COleObjectFactory, CCmdTarget)
    INTERFACE_PART(COleObjectFactory, IID_IClassFactory, ClassFactory)
END_INTERFACE_MAP()

COleObjectFactory::COleObjectFactory(REFCLSID clsid, const CRuntimeClass* pRuntimeClass, BOOL bMultiInstance,
                                     LPCTSTR lpszProgID)
    : m_clsid(clsid), m_pRuntimeClass(pRuntimeClass), m_bMultiInstance(bMultiInstance), m_strProgID(lpszProgID)
{
    ObjectFactories().push_back(this);
}

COleObjectFactory::~COleObjectFactory()
{
    Revoke();  // the runtime must not keep a factory that is gone
    std::erase(ObjectFactories(), this);
}

CCmdTarget* COleObjectFactory::OnCreateObject()
{
    if (!m_pRuntimeClass) return nullptr;
    CObject* object = m_pRuntimeClass->CreateObject();
    if (!object) return nullptr;
    if (!object->IsKindOf(RUNTIME_CLASS(CCmdTarget))) {
        delete object;  // not a COM object: it cannot be handed out
        return nullptr;
    }
    return static_cast<CCmdTarget*>(object);
}

HRESULT COleObjectFactory::XClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    CCmdTarget* target = nullptr;
    try {
        target = static_cast<COleObjectFactory*>(m_pOwner)->OnCreateObject();
    } catch (CException* e) {
        // An exception must not cross into the COM runtime.
        e->Delete();
    } catch (const std::bad_alloc&) {
    }
    if (!target) return E_OUTOFMEMORY;
    const HRESULT hr = target->ExternalQueryInterface(&riid, object);
    target->InternalRelease();  // the creator's reference: deletes the object when nobody took it
    return hr;
}

HRESULT COleObjectFactory::XClassFactory::LockServer(BOOL lock)
{
    if (lock) AfxOleLockApp();
    else AfxOleUnlockApp();
    return S_OK;
}
