// The text file loader shared by both programs.
#pragma once

#include <windef.h>

// Reads the text file at `path` (ANSI, text mode), drops every full stop, comma and
// dollar sign, prints "%d char to be conerted......" with the number of bytes kept,
// and, when at least one byte was kept, stores a new WCHAR[n + 1] buffer holding
// the text converted from the ANSI code page (the caller deletes it with delete[]).
// Returns FALSE when the file cannot be opened (after "Open file %s failed!\n") or
// its text does not fit in memory (after a line on standard error); *out is then
// untouched. TRUE otherwise, also when nothing was kept (*out untouched).
BOOL LoadTextFile(const char* path, WCHAR** out);
