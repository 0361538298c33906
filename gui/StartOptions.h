// What a start's command line asks of the program beyond the automation switches.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class StartOption {
    Help,     // --help: print the usage, open no window
    Version,  // --version: print the version, open no window
    Menu,     // --menu: started from the desktop's menu entry
};

// The option of a command line that holds nothing else (arguments after the
// program's name); none for any other command line, which starts as it always did.
std::optional<StartOption> SoleStartOption(const std::vector<std::string>& arguments);

// The texts --help and --version print, in the ANSI code page.
std::string StartHelpText();
std::string StartVersionText();
