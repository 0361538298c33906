// IEnumSpObjectTokens over a fixed list of voices.
#pragma once

#include "voice_catalog.h"

#include <varnel/com_object.h>
#include <sapi.h>

#include <mutex>
#include <vector>

namespace speech {

class TokenEnumerator final : public ComObject<IEnumSpObjectTokens> {
public:
    explicit TokenEnumerator(std::vector<VoiceInfo> voices) : voices_(std::move(voices)) {}

    STDMETHOD(Next)(ULONG count, ISpObjectToken** tokens, ULONG* fetched) override;
    STDMETHOD(Skip)(ULONG count) override;
    STDMETHOD(Reset)() override;
    STDMETHOD(Item)(ULONG index, ISpObjectToken** token) override;
    STDMETHOD(GetCount)(ULONG* count) override;

private:
    std::mutex mutex_;
    std::vector<VoiceInfo> voices_;
    std::size_t position_ = 0;
};

}  // namespace speech
