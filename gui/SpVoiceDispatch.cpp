#include "SpVoiceDispatch.h"

namespace {
constexpr DISPID kStatus = 1;
constexpr DISPID kVoice = 2;
constexpr DISPID kRate = 5;
constexpr DISPID kVolume = 6;
constexpr DISPID kSpeak = 12;
constexpr DISPID kPause = 14;
constexpr DISPID kResume = 15;
constexpr DISPID kGetVoices = 17;
constexpr DISPID kWaitUntilDone = 19;
}  // namespace

void SpVoiceDispatch::SetVoice(LPDISPATCH token)
{
    static const BYTE params[] = VTS_DISPATCH;
    InvokeHelper(kVoice, DISPATCH_PROPERTYPUTREF, VT_EMPTY, nullptr, params, token);
}

long SpVoiceDispatch::GetRate()
{
    LONG rate = 0;
    InvokeHelper(kRate, DISPATCH_PROPERTYGET, VT_I4, &rate, nullptr);
    return rate;
}

void SpVoiceDispatch::SetRate(long rate)
{
    static const BYTE params[] = VTS_I4;
    InvokeHelper(kRate, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, params, rate);
}

long SpVoiceDispatch::GetVolume()
{
    LONG volume = 0;
    InvokeHelper(kVolume, DISPATCH_PROPERTYGET, VT_I4, &volume, nullptr);
    return volume;
}

void SpVoiceDispatch::SetVolume(long volume)
{
    static const BYTE params[] = VTS_I4;
    InvokeHelper(kVolume, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, params, volume);
}

long SpVoiceDispatch::Speak(LPCTSTR text, long flags)
{
    LONG streamNumber = 0;
    static const BYTE params[] = VTS_BSTR VTS_I4;
    InvokeHelper(kSpeak, DISPATCH_METHOD, VT_I4, &streamNumber, params, text, flags);
    return streamNumber;
}

LPDISPATCH SpVoiceDispatch::GetVoices(LPCTSTR requiredAttributes, LPCTSTR optionalAttributes)
{
    LPDISPATCH tokens = nullptr;
    static const BYTE params[] = VTS_BSTR VTS_BSTR;
    InvokeHelper(kGetVoices, DISPATCH_METHOD, VT_DISPATCH, &tokens, params, requiredAttributes, optionalAttributes);
    return tokens;
}

void SpVoiceDispatch::Pause() { InvokeHelper(kPause, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr); }

void SpVoiceDispatch::Resume() { InvokeHelper(kResume, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr); }

BOOL SpVoiceDispatch::WaitUntilDone(long milliseconds)
{
    BOOL done = FALSE;
    static const BYTE params[] = VTS_I4;
    InvokeHelper(kWaitUntilDone, DISPATCH_METHOD, VT_BOOL, &done, params, milliseconds);
    return done;
}

LPDISPATCH SpVoiceDispatch::GetStatus()
{
    LPDISPATCH status = nullptr;
    InvokeHelper(kStatus, DISPATCH_PROPERTYGET, VT_DISPATCH, &status, nullptr);
    return status;
}
