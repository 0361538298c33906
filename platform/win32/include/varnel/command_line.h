// Splitting a Windows command line into arguments, as CreateProcessA does
// (not a Windows header; programs' tests check their quoting against it).
//
// The rules are those of the Microsoft C runtime (2008 and later, the UCRT's
// parse_command_line), which CommandLineToArgvW shares except for "" inside
// quotes:
// - The program name (first item) runs to the first blank or tab outside
//   double quotes; quotes only group there, backslashes are literal.
// - Other arguments are separated by runs of blanks and tabs outside quotes.
// - A double quote preceded by 2n backslashes gives n backslashes and starts
//   or ends a quoted part; preceded by 2n+1 backslashes it gives n
//   backslashes and a literal quote. Backslashes not before a quote are
//   literal.
// - Inside a quoted part, "" gives one literal quote and the part goes on
//   (older runtimes and CommandLineToArgvW end the part there).
// - "" outside quotes is an empty argument; an unclosed quote runs to the end.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace win32 {

struct ProgramAndRest {
    std::string program;
    std::string_view rest;  // what follows the program name, blanks included
};

// The program name and the rest of the line.
ProgramAndRest SplitProgramName(std::string_view commandLine);

// Arguments after the program name. `separators` are the characters that
// separate arguments outside quotes (blank and tab on Windows).
std::vector<std::string> SplitArguments(std::string_view rest, std::string_view separators = " \t");

// The program name followed by the arguments; empty for an empty line.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

}  // namespace win32
