// Class factories and the COM runtime: registration of their class objects for
// clients in other processes.
#include "object_factories.h"

#include <objbase.h>

BOOL COleObjectFactory::Register()
{
    if (IsRegistered()) return TRUE;
    const DWORD use = m_bMultiInstance ? REGCLS_SINGLEUSE : REGCLS_MULTIPLEUSE;
    DWORD cookie = 0;
    if (FAILED(CoRegisterClassObject(m_clsid, GetInterface(&IID_IUnknown), CLSCTX_LOCAL_SERVER, use, &cookie)))
        return FALSE;
    m_dwRegister = cookie;
    return TRUE;
}

void COleObjectFactory::Revoke()
{
    if (!IsRegistered()) return;
    CoRevokeClassObject(m_dwRegister);
    m_dwRegister = 0;
}

BOOL COleObjectFactory::RegisterAll()
{
    BOOL result = TRUE;
    for (COleObjectFactory* factory : afx_detail::ObjectFactories())
        if (!factory->Register()) result = FALSE;
    return result;
}

void COleObjectFactory::RevokeAll()
{
    for (COleObjectFactory* factory : afx_detail::ObjectFactories()) factory->Revoke();
}
