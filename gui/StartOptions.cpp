#include "StartOptions.h"

#include <cstdio>

#include "res/version_info.h"

std::optional<StartOption> SoleStartOption(const std::vector<std::string>& arguments)
{
    if (arguments.size() != 1) return std::nullopt;
    if (arguments[0] == "--help") return StartOption::Help;
    if (arguments[0] == "--version") return StartOption::Version;
    if (arguments[0] == "--menu") return StartOption::Menu;
    return std::nullopt;
}

std::string StartHelpText()
{
    return "usage: Varnel [--menu]\n"
           "       Varnel --help | --version\n"
           "Reads typed text or a text file aloud with an installed voice, or narrates it\n"
           "into a WAV file (with narrate, which lies beside Varnel).\n"
           "The settings (set.ini) and the export's input.txt are kept in the current\n"
           "directory; with --menu, as the desktop's menu entry starts it, in the folder\n"
           "varnel under $XDG_CONFIG_HOME (~/.config) instead.\n"
           "/Embedding and /Automation are the starts of the automation server.\n";
}

std::string StartVersionText()
{
    const WORD* version = GetVarnelVersionInfo().fileVersion;
    char text[64];
    std::snprintf(text, sizeof text, "Varnel %u.%u.%u.%u\n", version[0], version[1], version[2], version[3]);
    return text;
}
