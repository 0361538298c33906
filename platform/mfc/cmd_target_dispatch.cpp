// The IDispatch of an automation object. Dispatch maps hold no members here,
// so every name is unknown, every member missing, and there is no type library.
#include <afxwin.h>

HRESULT CCmdTarget::XDispatch::GetTypeInfoCount(UINT* count)
{
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

// The same answer as the speech engine's automation objects, which have no type
// library either.
HRESULT CCmdTarget::XDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo)
{
    if (typeInfo) *typeInfo = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT CCmdTarget::XDispatch::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* dispIds)
{
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (count == 0) return S_OK;
    if (!names || !dispIds) return E_POINTER;
    for (UINT i = 0; i < count; ++i) dispIds[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT CCmdTarget::XDispatch::Invoke(DISPID, REFIID riid, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return DISP_E_MEMBERNOTFOUND;
}
