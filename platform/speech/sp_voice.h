// SpVoice: the voice object, with its custom interface and its automation side.
#pragma once

#include "audio_device.h"
#include "speak_queue.h"
#include "voice_catalog.h"
#include "voice_events.h"

#include <atlbase.h>
#include <varnel/com_object.h>
#include <oaidl.h>
#include <sapi.h>

#include <atomic>
#include <mutex>
#include <optional>

namespace speech {

class SpVoice final : public ComObject<ISpVoice, IDispatch> {
public:
    SpVoice();

    STDMETHOD(SetNotifyWindowMessage)(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    STDMETHOD(SetInterest)(ULONGLONG eventInterest, ULONGLONG queuedInterest) override;
    STDMETHOD(GetEvents)(ULONG count, SPEVENT* events, ULONG* fetched) override;
    STDMETHOD(GetInfo)(SPEVENTSOURCEINFO* info) override;
    STDMETHOD(SetOutput)(IUnknown* output, BOOL allowFormatChanges) override;
    STDMETHOD(GetOutputStream)(ISpStreamFormat** stream) override;
    STDMETHOD(SetVoice)(ISpObjectToken* token) override;
    STDMETHOD(GetVoice)(ISpObjectToken** token) override;
    STDMETHOD(Pause)() override;
    STDMETHOD(Resume)() override;
    STDMETHOD(Speak)(LPCWSTR text, DWORD flags, ULONG* streamNumber) override;
    STDMETHOD(SetRate)(LONG rate) override;
    STDMETHOD(GetRate)(LONG* rate) override;
    STDMETHOD(SetVolume)(USHORT volume) override;
    STDMETHOD(GetVolume)(USHORT* volume) override;
    STDMETHOD(WaitUntilDone)(ULONG timeoutMs) override;
    STDMETHOD(GetStatus)(SPVOICESTATUS* status, LPWSTR* bookmark) override;

    // Automation (sp_voice_dispatch.cpp).
    STDMETHOD(GetTypeInfoCount)(UINT* count) override;
    STDMETHOD(GetTypeInfo)(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
    STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHOD(Invoke)(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excepInfo, UINT* argErr) override;

    static constexpr DISPID kStatus = 1;
    static constexpr DISPID kVoice = 2;
    static constexpr DISPID kRate = 5;
    static constexpr DISPID kVolume = 6;
    static constexpr DISPID kSpeak = 12;
    static constexpr DISPID kPause = 14;
    static constexpr DISPID kResume = 15;
    static constexpr DISPID kGetVoices = 17;
    static constexpr DISPID kWaitUntilDone = 19;

private:
    ~SpVoice() override = default;

    // Discards what is queued and being spoken, and ends a pause.
    void Purge();

    HRESULT InvokeVoice(WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr);
    HRESULT InvokeRate(WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr);
    HRESULT InvokeVolume(WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr);
    HRESULT InvokeSpeak(DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr);
    HRESULT InvokeGetVoices(DISPPARAMS* params, VARIANT* result, UINT* argErr);
    HRESULT InvokeWaitUntilDone(DISPPARAMS* params, VARIANT* result, UINT* argErr);
    HRESULT InvokeStatus(DISPPARAMS* params, VARIANT* result);

    std::mutex mutex_;  // guards the settings below
    std::optional<VoiceInfo> voice_;
    LONG rate_ = 0;
    USHORT volume_ = 100;
    CComPtr<ISpStreamFormat> defaultOutput_;
    CComPtr<ISpStreamFormat> output_;
    WAVEFORMATEX format_{};
    CComPtr<IEngineAudioDevice> device_;
    std::atomic<ULONG> lastStreamNumber_{0};
    std::mutex pauseMutex_;  // guards the count, and orders pauses and purges
    ULONG pauseCount_ = 0;
    VoiceEvents events_;
    SpeakQueue queue_{events_};  // last: its thread stops before the settings and events go
};

}  // namespace speech
