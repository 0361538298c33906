// One line on standard error per failure, named by the program that failed
// ("narrate: ..."), for all three programs.
#pragma once

#include <cstdarg>

// Flushes standard output first, so that the two streams keep their order where
// they share a terminal, then writes "<program>: ", the formatted text and a
// line end to standard error. An empty `program` leaves out the name and colon.
[[gnu::format(printf, 2, 0)]] void WriteFailureLineV(const char* program, const char* format, va_list args);
[[gnu::format(printf, 2, 3)]] void WriteFailureLine(const char* program, const char* format, ...);
