// The text file loader, shared by narrate and Varnel.
#pragma once

#include <windef.h>

#include <cstddef>

// Reads the text file at `path` (ANSI, text mode), drops every full stop, comma and
// dollar sign, prints "%d char to be conerted......" with the number of bytes kept,
// and, when at least one byte was kept, stores a new WCHAR[n + 1] buffer holding
// the text converted from the ANSI code page (the caller deletes it with delete[]).
// Returns FALSE when the file cannot be opened (after "Open file %s failed!\n") or
// its text does not fit in memory (after a line on standard error that starts
// with the program's name); *out is then
// untouched. TRUE otherwise, also when nothing was kept (*out untouched).
// More kept bytes than kLargestKeptText also give FALSE, after a line on
// standard error that names the limit: no real text comes near it, and endless
// input (/dev/zero, a pipe that never ends) stops there long before memory
// runs short.
BOOL LoadTextFile(const char* path, WCHAR** out);
// The same without the count message, for a caller that prints something else
// (narrate --chapters); *keptBytes receives the number of bytes kept.
BOOL LoadTextFileWithoutCount(const char* path, WCHAR** out, std::size_t* keptBytes);

inline constexpr std::size_t kLargestKeptText = std::size_t{64} << 20;
