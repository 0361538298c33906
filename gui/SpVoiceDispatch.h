// The voice object, reached late-bound through its automation interface.
#pragma once

#include <afxdisp.h>
#include <sapi.h>  // the Speak flags (SVSF*)

class SpVoiceDispatch : public COleDispatchDriver {
public:
    SpVoiceDispatch() = default;
    explicit SpVoiceDispatch(LPDISPATCH dispatch, BOOL autoRelease = TRUE) : COleDispatchDriver(dispatch, autoRelease) {}

    void SetVoice(LPDISPATCH token);
    long GetRate();
    void SetRate(long rate);
    long GetVolume();
    void SetVolume(long volume);
    // Returns the stream number of the request.
    long Speak(LPCTSTR text, long flags);
    // A new reference to the token collection; the caller owns it.
    LPDISPATCH GetVoices(LPCTSTR requiredAttributes, LPCTSTR optionalAttributes);
};
