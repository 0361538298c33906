#include "failure_report.h"

#include <cstdio>

void WriteFailureLineV(const char* program, const char* format, va_list args)
{
    std::fflush(stdout);  // keeps the two streams in order where they share a terminal
    if (*program) std::fprintf(stderr, "%s: ", program);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
}

void WriteFailureLine(const char* program, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteFailureLineV(program, format, args);
    va_end(args);
}
