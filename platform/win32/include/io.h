// The C runtime's low-level file functions the programs use on the standard streams.
#pragma once

#include <cstdio>

// The descriptor of a stdio stream, -1 for none.
int _fileno(std::FILE* stream);
// Nonzero when the descriptor is a terminal (Windows: a character device).
int _isatty(int fd);
