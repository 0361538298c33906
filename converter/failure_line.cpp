#include "failure_line.h"

#include <cstdarg>
#include <cstdio>

namespace narrate {

void ReportFailure(const char* format, ...)
{
    // Keeps the two streams in order where they share a terminal.
    std::fflush(stdout);
    std::fputs("narrate: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

HresultText::HresultText(HRESULT hr) { std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr)); }

}  // namespace narrate
