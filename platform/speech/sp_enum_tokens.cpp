#include <sphelper.h>

#include <atlbase.h>

HRESULT SpGetCategoryFromId(const WCHAR* categoryId, ISpObjectTokenCategory** category, BOOL createIfNotExist)
{
    if (!category) return E_POINTER;
    CComPtr<ISpObjectTokenCategory> created;
    HRESULT hr = created.CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL);
    if (SUCCEEDED(hr)) hr = created->SetId(categoryId, createIfNotExist);
    if (SUCCEEDED(hr)) *category = created.Detach();
    return hr;
}

HRESULT SpEnumTokens(const WCHAR* categoryId, const WCHAR* requiredAttributes, const WCHAR* optionalAttributes,
                     IEnumSpObjectTokens** tokens)
{
    if (!tokens) return E_POINTER;
    CComPtr<ISpObjectTokenCategory> category;
    HRESULT hr = SpGetCategoryFromId(categoryId, &category, FALSE);
    if (SUCCEEDED(hr)) hr = category->EnumTokens(requiredAttributes, optionalAttributes, tokens);
    return hr;
}
