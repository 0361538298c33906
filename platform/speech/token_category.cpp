#include "token_category.h"

#include "token_enumerator.h"
#include "voice_filter.h"
#include "wide_text.h"

namespace speech {
namespace {

char16_t Fold(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

// Registry paths compare without regard to case.
bool SameKey(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

}  // namespace

HRESULT TokenCategory::GetStringValue(LPCWSTR, LPWSTR* value)
try {
    if (!value) return E_POINTER;
    *value = nullptr;
    std::lock_guard lock(mutex_);
    return id_.empty() ? SPERR_UNINITIALIZED : SPERR_NOT_FOUND;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT TokenCategory::SetId(LPCWSTR categoryId, BOOL)
try {
    if (!categoryId) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (!id_.empty()) return SPERR_ALREADY_INITIALIZED;
    // The engine has one category; others cannot be created here.
    if (!SameKey(categoryId, SPCAT_VOICES)) return SPERR_NOT_FOUND;
    id_ = SPCAT_VOICES;
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT TokenCategory::GetId(LPWSTR* categoryId)
try {
    if (!categoryId) return E_POINTER;
    *categoryId = nullptr;
    std::lock_guard lock(mutex_);
    if (id_.empty()) return SPERR_UNINITIALIZED;
    *categoryId = CoTaskMemString(id_);
    return *categoryId ? S_OK : E_OUTOFMEMORY;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT TokenCategory::EnumTokens(LPCWSTR requiredAttributes, LPCWSTR, IEnumSpObjectTokens** tokens)
try {
    if (!tokens) return E_POINTER;
    *tokens = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (id_.empty()) return SPERR_UNINITIALIZED;
    }
    *tokens = NewComObject<TokenEnumerator>(VoicesMatching(VoiceCatalog::Instance(), WideView(requiredAttributes)));
    return *tokens ? S_OK : E_OUTOFMEMORY;
} catch (...) {
    return HresultFromCaughtException();
}

}  // namespace speech
