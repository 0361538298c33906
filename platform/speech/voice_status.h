// The automation status object that ISpeechVoice's Status returns (ISpeechVoiceStatus):
// what GetStatus told at the moment it was asked for.
#pragma once

#include <varnel/com_object.h>
#include <oaidl.h>
#include <sapi.h>

#include <string>

namespace speech {

class VoiceStatus final : public ComObject<IDispatch> {
public:
    VoiceStatus(const SPVOICESTATUS& status, std::u16string bookmark)
        : status_(status), bookmark_(std::move(bookmark))
    {
    }

    STDMETHOD(GetTypeInfoCount)(UINT* count) override;
    STDMETHOD(GetTypeInfo)(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
    STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHOD(Invoke)(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excepInfo, UINT* argErr) override;

    static constexpr DISPID kCurrentStreamNumber = 1;
    static constexpr DISPID kLastStreamNumberQueued = 2;
    static constexpr DISPID kLastHResult = 3;
    static constexpr DISPID kRunningState = 4;
    static constexpr DISPID kInputWordPosition = 5;
    static constexpr DISPID kInputWordLength = 6;
    static constexpr DISPID kInputSentencePosition = 7;
    static constexpr DISPID kInputSentenceLength = 8;
    static constexpr DISPID kLastBookmark = 9;
    static constexpr DISPID kLastBookmarkId = 10;

private:
    const SPVOICESTATUS status_;
    const std::u16string bookmark_;
};

}  // namespace speech
