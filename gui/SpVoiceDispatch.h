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
    // Counted: the voice goes on once each Pause has had its Resume.
    void Pause();
    void Resume();
    // TRUE when nothing is queued or being spoken by the time `milliseconds` pass.
    BOOL WaitUntilDone(long milliseconds);
    // A new status object (see SpeechVoiceStatusDispatch); the caller owns it.
    LPDISPATCH GetStatus();
};
