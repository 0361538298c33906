// Selecting the matched voice and rendering the text into the output files.
#pragma once

#include "output_files.h"
#include "run_settings.h"

#include <sapi.h>

#include <vector>

namespace narrate {

struct RenderOutcome {
    HRESULT walkResult = S_OK;  // SetVoice's result, ending the walk when it failed
    bool rendered = false;      // every output file is complete at its path
};

// Selects `token`, applies rate and volume, renders each file's text into a
// temporary file beside it and, once all are complete, moves each over its path;
// a failure leaves every old file as it was and no temporary file behind. Nothing
// is spoken unless both the voice and the file are in place.
RenderOutcome SelectAndRender(ISpVoice* voice, ISpObjectToken* token, HRESULT walkResult,
                              const RunSettings& settings, const std::vector<OutputFile>& files);
// One file at settings.outputPath with `text` (null: nothing to say).
RenderOutcome SelectAndRender(ISpVoice* voice, ISpObjectToken* token, HRESULT walkResult,
                              const RunSettings& settings, const WCHAR* text);

}  // namespace narrate
