#include "standard_options.h"

#include "run_narrate.h"
#include "voice_list.h"

#include <cstdio>
#include <string_view>

#ifndef NARRATE_VERSION
#error "the build names the program's version in NARRATE_VERSION"
#endif

namespace narrate {

std::optional<StandardOption> SoleStandardOption(int argc, const char* const* argv)
{
    if (argc != 2 || !argv || !argv[1]) return std::nullopt;
    const std::string_view argument = argv[1];
    if (argument == "--help") return StandardOption::Help;
    if (argument == "--version") return StandardOption::Version;
    if (argument == "--voices") return StandardOption::Voices;
    return std::nullopt;
}

const char* HelpText()
{
    return "usage: narrate <input text file> <output WAV file> [voice number] [rate] [volume]\n"
           "       narrate --voices | --help | --version\n"
           "Renders a text file (in the locale's character set) into a WAV file, 22050 Hz\n"
           "16-bit mono, with an installed voice. Full stops, commas and dollar signs are\n"
           "left out. An existing output file is replaced only by a complete one.\n"
           "  voice number  the voice's number in `narrate --voices` (default 1)\n"
           "  rate          -10 (slowest) to 10 (fastest) (default 1)\n"
           "  volume        0 to 100 (default 50)\n"
           "  --voices      lists the installed voices: number, tab, description\n"
           "Exit code 0 when the WAV file was written, 1 otherwise.\n";
}

const char* VersionText() { return "narrate " NARRATE_VERSION "\n"; }

int RunStandardOption(StandardOption option)
{
    switch (option) {
    case StandardOption::Help: std::fputs(HelpText(), stdout); break;
    case StandardOption::Version: std::fputs(VersionText(), stdout); break;
    case StandardOption::Voices: return PrintVoiceList(stdout) ? kExitRendered : kExitFailed;
    }
    return std::fflush(stdout) == 0 ? kExitRendered : kExitFailed;
}

}  // namespace narrate
