// Selecting the matched voice and rendering the text into the output WAV file.
#pragma once

#include "run_settings.h"

#include <sapi.h>

namespace narrate {

struct RenderOutcome {
    HRESULT walkResult = S_OK;  // SetVoice's result, ending the walk when it failed
    bool rendered = false;      // a complete WAV file is at the output path
};

// Selects `token`, applies rate and volume, renders `text` (null: nothing to say)
// into a temporary file beside the output and moves it over the output when it is
// complete. Nothing is spoken unless both the voice and the file are in place.
RenderOutcome SelectAndRender(ISpVoice* voice, ISpObjectToken* token, HRESULT walkResult,
                              const RunSettings& settings, const WCHAR* text);

}  // namespace narrate
