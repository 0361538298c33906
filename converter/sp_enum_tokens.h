// The SDK's token helpers: a category object by its identifier, and the tokens in it.
#pragma once

#include <sapi.h>

namespace narrate {

// Creates a SpObjectTokenCategory set to `categoryId`; *category is set only on success.
HRESULT SpGetCategoryFromId(LPCWSTR categoryId, ISpObjectTokenCategory** category, BOOL createIfNotExist = FALSE);
// The tokens of a category that match the attribute filters (null: every token).
HRESULT SpEnumTokens(LPCWSTR categoryId, LPCWSTR requiredAttributes, LPCWSTR optionalAttributes,
                     IEnumSpObjectTokens** tokens);

}  // namespace narrate
