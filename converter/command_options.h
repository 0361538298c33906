// The options that come before narrate's two file names, each beginning with
// "--" ("--" ends them). Only these are options: any other argument is what it
// always was, so a command line without options keeps its meaning.
#pragma once

#include <string>

namespace narrate {

struct CommandOptions {
    bool listChapters = false;  // --chapters: list them, render nothing
    std::string pick;           // --pick <list>: only these chapters ("" for all)
    bool split = false;         // --split: one file per chapter
    int loop = 1;               // --loop <n>: the text n times over
    bool subtitles = false;     // --subtitles: a SubRip file beside each output
};

struct CommandLine {
    CommandOptions options;
    // The arguments after the options, with the program's name in front, as a
    // command line without options has them.
    int argc = 0;
    char** argv = nullptr;
    std::string error;  // an option without its value, or a value out of range
};

CommandLine ParseCommandLine(int argc, char** argv);

}  // namespace narrate
