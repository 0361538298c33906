// The automation side of SpVoice (ISpeechVoice members the programs call).
#include "sp_voice.h"

#include "dispatch_support.h"
#include "token_collection.h"
#include "voice_filter.h"
#include "voice_status.h"
#include "wide_text.h"

#include <winbase.h>

#include <cstdio>
#include <string>

namespace speech {
namespace {

bool IsPut(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

// A LONG argument for a property put or a method, with type errors as Invoke reports them.
HRESULT LongArgument(const dispatch::Arguments& args, UINT index, LONG& value, UINT* argErr)
{
    VARIANT converted;
    HRESULT hr = args.Get(index, VT_I4, converted, argErr);
    if (FAILED(hr)) return hr;
    value = converted.lVal;
    VariantClear(&converted);
    return S_OK;
}

HRESULT TextArgument(const dispatch::Arguments& args, UINT index, std::u16string& text, UINT* argErr)
{
    VARIANT converted;
    HRESULT hr = args.Get(index, VT_BSTR, converted, argErr);
    if (FAILED(hr)) return hr;
    // Cleared however the copy below ends: it allocates, and may throw.
    struct ClearOnExit {
        VARIANT& value;
        ~ClearOnExit() { VariantClear(&value); }
    } clear{converted};
    if (converted.bstrVal) text.assign(converted.bstrVal, SysStringLen(converted.bstrVal));
    return S_OK;
}

// The failure in the system's words and as a number, for the caller's message box:
// "No audio server answered, so nothing can be heard (0x80045009)."
std::u16string DescribeFailure(HRESULT hr)
{
    char words[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(hr), 0, words, sizeof words, nullptr);
    std::string text = length ? std::string(words, length) : "Speaking failed";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) text.pop_back();
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    return Utf8ToUtf16(text + " (" + code + ").");
}

}  // namespace

HRESULT SpVoice::GetTypeInfoCount(UINT* count) { return dispatch::NoTypeInfoCount(count); }

HRESULT SpVoice::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) { return dispatch::NoTypeInfo(typeInfo); }

HRESULT SpVoice::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids)
try {
    return dispatch::IdsOfNames({{u"Status", kStatus},
                                 {u"Voice", kVoice},
                                 {u"Rate", kRate},
                                 {u"Volume", kVolume},
                                 {u"Speak", kSpeak},
                                 {u"Pause", kPause},
                                 {u"Resume", kResume},
                                 {u"GetVoices", kGetVoices},
                                 {u"WaitUntilDone", kWaitUntilDone}},
                                riid, names, count, ids);
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpVoice::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr)
try {
    if (HRESULT hr = dispatch::CheckInvoke(riid, result); FAILED(hr)) return hr;
    switch (id) {
    case kVoice: return InvokeVoice(flags, params, result, excepInfo, argErr);
    case kRate: return InvokeRate(flags, params, result, excepInfo, argErr);
    case kVolume: return InvokeVolume(flags, params, result, excepInfo, argErr);
    case kSpeak:
        if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        return InvokeSpeak(params, result, excepInfo, argErr);
    case kGetVoices:
        if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        return InvokeGetVoices(params, result, argErr);
    case kWaitUntilDone:
        if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        return InvokeWaitUntilDone(params, result, argErr);
    case kPause:
    case kResume:
        if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        if (HRESULT hr = dispatch::Arguments(params).Check(0, 0); FAILED(hr)) return hr;
        return id == kPause ? Pause() : Resume();
    case kStatus:
        if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        return InvokeStatus(params, result);
    default: return DISP_E_MEMBERNOTFOUND;
    }
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpVoice::InvokeVoice(WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr)
{
    dispatch::Arguments args(params);
    if (IsPut(flags)) {
        if (HRESULT hr = args.Check(1, 1, true); FAILED(hr)) return hr;
        VARIANT token;
        HRESULT hr = args.Get(0, VT_DISPATCH, token, argErr);
        if (FAILED(hr)) return hr;
        CComPtr<ISpObjectToken> voiceToken;
        if (token.pdispVal) hr = token.pdispVal->QueryInterface(IID_ISpObjectToken, reinterpret_cast<void**>(&voiceToken));
        VariantClear(&token);
        if (FAILED(hr)) {
            if (argErr) *argErr = 0;
            return DISP_E_TYPEMISMATCH;
        }
        hr = SetVoice(voiceToken);
        if (FAILED(hr)) return dispatch::RaiseException(excepInfo, hr, u"That token is not a voice of this engine.");
        return S_OK;
    }
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (HRESULT hr = args.Check(0, 0); FAILED(hr)) return hr;
    CComPtr<ISpObjectToken> token;
    if (HRESULT hr = GetVoice(&token); FAILED(hr)) return hr;
    IDispatch* automation = nullptr;
    if (HRESULT hr = token.QueryInterface(&automation); FAILED(hr)) return hr;
    dispatch::ReturnDispatch(result, automation);
    return S_OK;
}

HRESULT SpVoice::InvokeRate(WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr)
{
    dispatch::Arguments args(params);
    if (flags & DISPATCH_PROPERTYPUT) {
        if (HRESULT hr = args.Check(1, 1, true); FAILED(hr)) return hr;
        LONG rate = 0;
        if (HRESULT hr = LongArgument(args, 0, rate, argErr); FAILED(hr)) return hr;
        if (FAILED(SetRate(rate)))
            return dispatch::RaiseException(excepInfo, E_INVALIDARG, u"The rate must be from -10 to 10.");
        return S_OK;
    }
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (HRESULT hr = args.Check(0, 0); FAILED(hr)) return hr;
    LONG rate = 0;
    GetRate(&rate);
    dispatch::ReturnI4(result, rate);
    return S_OK;
}

HRESULT SpVoice::InvokeVolume(WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr)
{
    dispatch::Arguments args(params);
    if (flags & DISPATCH_PROPERTYPUT) {
        if (HRESULT hr = args.Check(1, 1, true); FAILED(hr)) return hr;
        LONG volume = 0;
        if (HRESULT hr = LongArgument(args, 0, volume, argErr); FAILED(hr)) return hr;
        if (volume < 0 || volume > SPMAX_VOLUME)
            return dispatch::RaiseException(excepInfo, E_INVALIDARG, u"The volume must be from 0 to 100.");
        SetVolume(static_cast<USHORT>(volume));
        return S_OK;
    }
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (HRESULT hr = args.Check(0, 0); FAILED(hr)) return hr;
    USHORT volume = 0;
    GetVolume(&volume);
    dispatch::ReturnI4(result, volume);
    return S_OK;
}

HRESULT SpVoice::InvokeSpeak(DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr)
{
    dispatch::Arguments args(params);
    if (HRESULT hr = args.Check(1, 2); FAILED(hr)) return hr;
    std::u16string text;
    if (HRESULT hr = TextArgument(args, 0, text, argErr); FAILED(hr)) return hr;
    LONG flags = SVSFDefault;
    if (args.Count() == 2)
        if (HRESULT hr = LongArgument(args, 1, flags, argErr); FAILED(hr)) return hr;
    ULONG streamNumber = 0;
    HRESULT hr = Speak(text.c_str(), static_cast<DWORD>(flags), &streamNumber);
    if (hr == SPERR_INVALID_FLAGS || hr == E_INVALIDARG || hr == E_NOTIMPL)
        return dispatch::RaiseException(excepInfo, hr, u"Those speak flags are not supported.");
    if (FAILED(hr)) return dispatch::RaiseException(excepInfo, hr, DescribeFailure(hr));
    dispatch::ReturnI4(result, static_cast<LONG>(streamNumber));
    return S_OK;
}

HRESULT SpVoice::InvokeGetVoices(DISPPARAMS* params, VARIANT* result, UINT* argErr)
{
    dispatch::Arguments args(params);
    if (HRESULT hr = args.Check(0, 2); FAILED(hr)) return hr;
    std::u16string required, optional;
    if (args.Count() >= 1)
        if (HRESULT hr = TextArgument(args, 0, required, argErr); FAILED(hr)) return hr;
    if (args.Count() == 2)  // only orders voices on Windows; every match is listed anyway
        if (HRESULT hr = TextArgument(args, 1, optional, argErr); FAILED(hr)) return hr;
    auto* collection = NewComObject<TokenCollection>(VoicesMatching(VoiceCatalog::Instance(), required));
    if (!collection) return E_OUTOFMEMORY;
    dispatch::ReturnDispatch(result, collection);
    return S_OK;
}

HRESULT SpVoice::InvokeWaitUntilDone(DISPPARAMS* params, VARIANT* result, UINT* argErr)
{
    dispatch::Arguments args(params);
    if (HRESULT hr = args.Check(1, 1); FAILED(hr)) return hr;
    LONG timeout = 0;
    if (HRESULT hr = LongArgument(args, 0, timeout, argErr); FAILED(hr)) return hr;
    HRESULT hr = WaitUntilDone(timeout < 0 ? INFINITE : static_cast<ULONG>(timeout));
    if (FAILED(hr)) return hr;
    if (result) {
        VariantInit(result);
        result->vt = VT_BOOL;
        result->boolVal = hr == S_OK ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
}

HRESULT SpVoice::InvokeStatus(DISPPARAMS* params, VARIANT* result)
{
    if (HRESULT hr = dispatch::Arguments(params).Check(0, 0); FAILED(hr)) return hr;
    SPVOICESTATUS status;
    LPWSTR bookmark = nullptr;
    if (HRESULT hr = GetStatus(&status, &bookmark); FAILED(hr)) return hr;
    auto* object = NewComObject<VoiceStatus>(status, std::u16string(WideView(bookmark)));
    CoTaskMemFree(bookmark);
    if (!object) return E_OUTOFMEMORY;
    dispatch::ReturnDispatch(result, object);
    return S_OK;
}

}  // namespace speech
