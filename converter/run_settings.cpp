#include "run_settings.h"

#include <stdlib.h>

namespace narrate {

RunSettings ReadRunSettings(int argc, char** argv)
{
    RunSettings settings;
    if (argc > 1) settings.inputPath = argv[1];
    if (argc > 2) settings.outputPath = argv[2];
    if (argc > 3) settings.voiceNumber = msvcrt::atoi(argv[3]);
    if (argc > 4) settings.rate = msvcrt::atol(argv[4]);
    if (argc > 5) settings.volume = msvcrt::atol(argv[5]);
    return settings;
}

bool HasPaths(int argc) { return argc >= 3; }

USHORT EngineVolume(LONG volume) { return static_cast<USHORT>(static_cast<DWORD>(volume) & 0xFFFFu); }

}  // namespace narrate
