// What the voice is doing (ISpeechVoiceStatus), reached late-bound. Positions
// count UTF-16 units of the text given to Speak.
#pragma once

#include <afxdisp.h>

class SpeechVoiceStatusDispatch : public COleDispatchDriver {
public:
    SpeechVoiceStatusDispatch() = default;
    explicit SpeechVoiceStatusDispatch(LPDISPATCH dispatch, BOOL autoRelease = TRUE)
        : COleDispatchDriver(dispatch, autoRelease) {}

    long GetCurrentStreamNumber();  // 0 when nothing is being spoken
    long GetRunningState();  // SRSEDone or SRSEIsSpeaking
    long GetInputWordPosition();
    long GetInputWordLength();
    long GetInputSentencePosition();
    long GetInputSentenceLength();

private:
    long GetLong(DISPID id);
};
