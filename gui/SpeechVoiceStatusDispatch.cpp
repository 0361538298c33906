#include "SpeechVoiceStatusDispatch.h"

namespace {
constexpr DISPID kCurrentStreamNumber = 1;
constexpr DISPID kRunningState = 4;
constexpr DISPID kInputWordPosition = 5;
constexpr DISPID kInputWordLength = 6;
constexpr DISPID kInputSentencePosition = 7;
constexpr DISPID kInputSentenceLength = 8;
}  // namespace

long SpeechVoiceStatusDispatch::GetLong(DISPID id)
{
    LONG value = 0;
    InvokeHelper(id, DISPATCH_PROPERTYGET, VT_I4, &value, nullptr);
    return value;
}

long SpeechVoiceStatusDispatch::GetCurrentStreamNumber() { return GetLong(kCurrentStreamNumber); }
long SpeechVoiceStatusDispatch::GetRunningState() { return GetLong(kRunningState); }
long SpeechVoiceStatusDispatch::GetInputWordPosition() { return GetLong(kInputWordPosition); }
long SpeechVoiceStatusDispatch::GetInputWordLength() { return GetLong(kInputWordLength); }
long SpeechVoiceStatusDispatch::GetInputSentencePosition() { return GetLong(kInputSentencePosition); }
long SpeechVoiceStatusDispatch::GetInputSentenceLength() { return GetLong(kInputSentenceLength); }
