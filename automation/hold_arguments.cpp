#include "hold_arguments.h"

#include <string_view>

namespace hold {

HoldCommand ParseArguments(int argc, const char* const* argv)
{
    if (argc != 2 || !argv[1]) return {};
    const std::string_view argument = argv[1];
    if (argument == "--help" || argument == "-h") return {HoldCommand::Kind::Help, {}};
    // A ProgID starts with a letter: a leading '-' is an option this program lacks.
    if (argument.empty() || argument.starts_with('-')) return {};
    return {HoldCommand::Kind::Hold, std::string(argument)};
}

const char* HelpText()
{
    return "usage: automation-hold <ProgID>\n"
           "Creates the automation object <ProgID> in a server process of its own,\n"
           "prints \"holding <ProgID>\" once it holds it, and keeps it until standard\n"
           "input ends (Ctrl+D) or Ctrl+C or SIGTERM arrives; then lets it go.\n"
           "Exit code 0 after a hold, 1 on a failure or a wrong command line.\n";
}

}  // namespace hold
