// The walk over the installed voices to the one with the requested number.
#pragma once

#include <sapi.h>

#include <functional>

namespace narrate {

// Called at the matching position with the token fetched there (null when Next
// fetched none) and the walk result so far; returns the walk result from then on.
using VoiceMatch = std::function<HRESULT(ISpObjectToken* token, HRESULT walkResult)>;

struct WalkOutcome {
    HRESULT result = S_OK;  // the walk result at the end
    ULONG count = 0;        // installed voices, as GetCount told
    bool matched = false;   // the voice number was reached
};

// Fetches the voices one after another, counting from 1, and calls `atMatch` at
// position `voiceNumber`. 0, a negative number or one past the count matches nothing.
WalkOutcome WalkVoices(int voiceNumber, const VoiceMatch& atMatch);

}  // namespace narrate
