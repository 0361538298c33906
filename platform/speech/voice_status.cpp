#include "voice_status.h"

#include "dispatch_support.h"

namespace speech {

HRESULT VoiceStatus::GetTypeInfoCount(UINT* count) { return dispatch::NoTypeInfoCount(count); }

HRESULT VoiceStatus::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) { return dispatch::NoTypeInfo(typeInfo); }

HRESULT VoiceStatus::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids)
try {
    return dispatch::IdsOfNames({{u"CurrentStreamNumber", kCurrentStreamNumber},
                                 {u"LastStreamNumberQueued", kLastStreamNumberQueued},
                                 {u"LastHResult", kLastHResult},
                                 {u"RunningState", kRunningState},
                                 {u"InputWordPosition", kInputWordPosition},
                                 {u"InputWordLength", kInputWordLength},
                                 {u"InputSentencePosition", kInputSentencePosition},
                                 {u"InputSentenceLength", kInputSentenceLength},
                                 {u"LastBookmark", kLastBookmark},
                                 {u"LastBookmarkId", kLastBookmarkId}},
                                riid, names, count, ids);
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT VoiceStatus::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                            EXCEPINFO*, UINT*)
try {
    if (HRESULT hr = dispatch::CheckInvoke(riid, result); FAILED(hr)) return hr;
    if (id < kCurrentStreamNumber || id > kLastBookmarkId) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (HRESULT hr = dispatch::Arguments(params).Check(0, 0); FAILED(hr)) return hr;
    const SPVOICESTATUS& s = status_;
    switch (id) {
    case kCurrentStreamNumber: dispatch::ReturnI4(result, static_cast<LONG>(s.ulCurrentStream)); break;
    case kLastStreamNumberQueued: dispatch::ReturnI4(result, static_cast<LONG>(s.ulLastStreamQueued)); break;
    case kLastHResult: dispatch::ReturnI4(result, s.hrLastResult); break;
    case kRunningState: dispatch::ReturnI4(result, static_cast<LONG>(s.dwRunningState)); break;
    case kInputWordPosition: dispatch::ReturnI4(result, static_cast<LONG>(s.ulInputWordPos)); break;
    case kInputWordLength: dispatch::ReturnI4(result, static_cast<LONG>(s.ulInputWordLen)); break;
    case kInputSentencePosition: dispatch::ReturnI4(result, static_cast<LONG>(s.ulInputSentPos)); break;
    case kInputSentenceLength: dispatch::ReturnI4(result, static_cast<LONG>(s.ulInputSentLen)); break;
    case kLastBookmark: return dispatch::ReturnBstr(result, bookmark_);
    case kLastBookmarkId: dispatch::ReturnI4(result, s.lBookmarkId); break;
    default: return DISP_E_MEMBERNOTFOUND;
    }
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

}  // namespace speech
