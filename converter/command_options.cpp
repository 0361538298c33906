#include "command_options.h"

#include <cstdlib>
#include <string_view>

namespace narrate {
namespace {

constexpr int kMostLoops = 999;  // as many as the dialog's Loop takes

bool ReadLoop(const char* value, int& loop)
{
    char* end = nullptr;
    const long number = std::strtol(value, &end, 10);
    if (end == value || *end || number < 1 || number > kMostLoops) return false;
    loop = static_cast<int>(number);
    return true;
}

}  // namespace

CommandLine ParseCommandLine(int argc, char** argv)
{
    CommandLine line;
    int at = 1;
    for (; at < argc; ++at) {
        const std::string_view argument = argv[at];
        const bool needsValue = argument == "--pick" || argument == "--loop";
        if (needsValue && at + 1 >= argc) {
            line.error = std::string(argument) + " needs a value";
            break;
        }
        if (argument == "--") {
            ++at;
            break;
        } else if (argument == "--chapters") {
            line.options.listChapters = true;
        } else if (argument == "--subtitles") {
            line.options.subtitles = true;
        } else if (argument == "--split") {
            line.options.split = true;
        } else if (argument == "--pick") {
            line.options.pick = argv[++at];
        } else if (argument == "--loop") {
            if (!ReadLoop(argv[++at], line.options.loop))
                line.error = "--loop " + std::string(argv[at]) + ": the number of times, 1 to 999";
        } else {
            break;
        }
    }
    line.argc = argc - at + 1;
    line.argv = argv + at - 1;  // argv[at - 1] stands in for the program's name
    return line;
}

}  // namespace narrate
