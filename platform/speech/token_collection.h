// The automation collection of voice tokens that GetVoices returns.
#pragma once

#include "voice_catalog.h"

#include <varnel/com_object.h>
#include <oaidl.h>

#include <vector>

namespace speech {

class TokenCollection final : public ComObject<IDispatch> {
public:
    explicit TokenCollection(std::vector<VoiceInfo> voices) : voices_(std::move(voices)) {}

    STDMETHOD(GetTypeInfoCount)(UINT* count) override;
    STDMETHOD(GetTypeInfo)(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
    STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHOD(Invoke)(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excepInfo, UINT* argErr) override;

    static constexpr DISPID kItem = DISPID_VALUE;
    static constexpr DISPID kCount = 1;

private:
    HRESULT InvokeItem(DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr);

    const std::vector<VoiceInfo> voices_;  // fixed for the collection's life
};

}  // namespace speech
