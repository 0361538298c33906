#include "sp_enum_tokens.h"

#include <atlbase.h>

namespace narrate {

HRESULT SpGetCategoryFromId(LPCWSTR categoryId, ISpObjectTokenCategory** category, BOOL createIfNotExist)
{
    if (!category) return E_POINTER;
    CComPtr<ISpObjectTokenCategory> created;
    HRESULT hr = created.CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL);
    if (SUCCEEDED(hr)) hr = created->SetId(categoryId, createIfNotExist);
    if (SUCCEEDED(hr)) *category = created.Detach();
    return hr;
}

HRESULT SpEnumTokens(LPCWSTR categoryId, LPCWSTR requiredAttributes, LPCWSTR optionalAttributes,
                     IEnumSpObjectTokens** tokens)
{
    if (!tokens) return E_POINTER;
    CComPtr<ISpObjectTokenCategory> category;
    HRESULT hr = SpGetCategoryFromId(categoryId, &category, FALSE);
    if (SUCCEEDED(hr)) hr = category->EnumTokens(requiredAttributes, optionalAttributes, tokens);
    return hr;
}

}  // namespace narrate
