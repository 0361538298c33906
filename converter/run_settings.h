// What one run of the converter is told on its command line.
#pragma once

#include <windef.h>

namespace narrate {

struct RunSettings {
    const char* inputPath = nullptr;
    const char* outputPath = nullptr;
    int voiceNumber = 1;  // one-based position among the installed voices
    LONG rate = 1;
    LONG volume = 50;     // only the low 16 bits reach the engine
};

// Arguments 3 to 5 as far as present; anything after the fifth is ignored.
RunSettings ReadRunSettings(int argc, char** argv);
// Enough arguments for a run: an input and an output path.
bool HasPaths(int argc);
// The volume as the engine takes it: its low 16 bits.
USHORT EngineVolume(LONG volume);

}  // namespace narrate
