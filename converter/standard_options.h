// The usual options of a command-line tool: --help, --version, --voices. Each is
// recognised only as the sole argument, so every command line of a run keeps its
// meaning (a lone "--help" used to be the usage message and exit code 1).
#pragma once

#include <optional>

namespace narrate {

enum class StandardOption { Help, Version, Voices };

// The option named by a command line of exactly one argument; none otherwise.
std::optional<StandardOption> SoleStandardOption(int argc, const char* const* argv);
// Prints what the option asks for on standard output; the exit code.
int RunStandardOption(StandardOption option);

const char* HelpText();
const char* VersionText();

}  // namespace narrate
