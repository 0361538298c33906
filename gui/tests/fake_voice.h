// A voice object of the tests' own, registered under its own ProgID, that the
// dialog drives through the same DISPIDs as the engine's. It records every call,
// so that tests can see exactly what the dialog asked for.
#pragma once

#include <string>
#include <vector>

namespace gui_test {

inline constexpr char kFakeVoiceProgId[] = "Varnel.TestVoice";

struct SpokenRequest {
    std::string text;   // UTF-8
    long flags;
    long rate;
    long volume;
    std::string voice;  // description of the voice set at the time
};

struct FakeVoiceState {
    std::vector<std::string> voices;  // descriptions, in collection order (UTF-8)
    long rate = 0;
    long volume = 100;
    std::string voice;                // description of the last voice put
    int voicePuts = 0;
    std::vector<SpokenRequest> spoken;
    int liveObjects = 0;              // voices, collections and tokens alive
    int pauses = 0;
    int resumes = 0;
    long runningState = 1;            // what Status tells: SRSEDone ...
    long currentStream = 0;
    long wordPosition = 0;
    long wordLength = 0;
    bool done = true;                 // what WaitUntilDone tells
};

// The state every fake object reports into; reset by ResetFakeVoice.
FakeVoiceState& FakeVoice();
void ResetFakeVoice(std::vector<std::string> voices);
// Registers the class (once); the dialog uses it after CVarnelDlg::s_voiceProgId is set.
void RegisterFakeVoiceClass();

}  // namespace gui_test
