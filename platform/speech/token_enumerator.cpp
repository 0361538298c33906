#include "token_enumerator.h"

#include "object_token.h"

namespace speech {

HRESULT TokenEnumerator::Next(ULONG count, ISpObjectToken** tokens, ULONG* fetched)
try {
    if (fetched) *fetched = 0;
    if (!tokens || (count > 1 && !fetched)) return E_POINTER;
    std::lock_guard lock(mutex_);
    ULONG done = 0;
    while (done < count && position_ < voices_.size()) {
        ISpObjectToken* token = ObjectToken::Create(voices_[position_]);
        if (!token) {
            for (ULONG i = 0; i < done; ++i) {
                tokens[i]->Release();
                tokens[i] = nullptr;
            }
            position_ -= done;
            return E_OUTOFMEMORY;
        }
        tokens[done++] = token;
        ++position_;
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT TokenEnumerator::Skip(ULONG count)
try {
    std::lock_guard lock(mutex_);
    std::size_t left = voices_.size() - position_;
    position_ += std::min<std::size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT TokenEnumerator::Reset()
try {
    std::lock_guard lock(mutex_);
    position_ = 0;
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT TokenEnumerator::Item(ULONG index, ISpObjectToken** token)
try {
    if (!token) return E_POINTER;
    *token = nullptr;
    std::lock_guard lock(mutex_);
    if (index >= voices_.size()) return SPERR_NO_MORE_ITEMS;
    *token = ObjectToken::Create(voices_[index]);
    return *token ? S_OK : E_OUTOFMEMORY;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT TokenEnumerator::GetCount(ULONG* count)
try {
    if (!count) return E_POINTER;
    std::lock_guard lock(mutex_);
    *count = static_cast<ULONG>(voices_.size());
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

}  // namespace speech
