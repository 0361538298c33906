// A voice token: the engine's handle on one installed voice, with its automation side.
#pragma once

#include "voice_catalog.h"

#include <varnel/com_object.h>
#include <oaidl.h>
#include <sapi.h>

namespace speech {

class ObjectToken final : public ComObject<ISpObjectToken, IDispatch> {
public:
    explicit ObjectToken(VoiceInfo voice) : voice_(std::move(voice)) {}

    // The token of a voice, with one reference for the caller (nullptr without memory).
    static ISpObjectToken* Create(const VoiceInfo& voice);

    STDMETHOD(GetStringValue)(LPCWSTR valueName, LPWSTR* value) override;
    STDMETHOD(GetId)(LPWSTR* tokenId) override;

    STDMETHOD(GetTypeInfoCount)(UINT* count) override;
    STDMETHOD(GetTypeInfo)(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
    STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHOD(Invoke)(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excepInfo, UINT* argErr) override;

    // Automation members.
    static constexpr DISPID kId = 1;
    static constexpr DISPID kGetDescription = 4;

private:
    VoiceInfo voice_;
};

}  // namespace speech
