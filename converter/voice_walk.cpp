#include "voice_walk.h"

#include <sphelper.h>

#include <atlbase.h>

namespace narrate {

WalkOutcome WalkVoices(int voiceNumber, const VoiceMatch& atMatch)
{
    WalkOutcome outcome;
    CComPtr<IEnumSpObjectTokens> tokens;
    outcome.result = SpEnumTokens(SPCAT_VOICES, nullptr, nullptr, &tokens);
    if (SUCCEEDED(outcome.result)) outcome.result = tokens->GetCount(&outcome.count);
    ULONG left = SUCCEEDED(outcome.result) ? outcome.count : 0;
    int position = 0;
    for (; SUCCEEDED(outcome.result) && left != 0; --left) {
        CComPtr<ISpObjectToken> token;
        outcome.result = tokens->Next(1, &token, nullptr);
        ++position;
        if (position == voiceNumber) {
            outcome.matched = true;
            outcome.result = atMatch(token, outcome.result);
        }
    }
    return outcome;
}

}  // namespace narrate
