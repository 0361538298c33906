// The command line of automation-hold: one ProgID, or --help.
#pragma once

#include <string>

namespace hold {

struct HoldCommand {
    enum class Kind { Hold, Help, Usage };
    Kind kind = Kind::Usage;
    std::string progId;  // for Hold
};

// No argument, more than one, an empty one, or an option other than --help / -h:
// Usage.
HoldCommand ParseArguments(int argc, const char* const* argv);

inline constexpr const char* kUsageLine = "usage: automation-hold <ProgID>\n";
// The usage line and what the program does, for --help.
const char* HelpText();

}  // namespace hold
