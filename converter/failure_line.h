// One line on standard error per failure; standard output keeps the three
// messages of the converter alone.
#pragma once

#include <winerror.h>

#include <string>

namespace narrate {

// The programs' failure line (failure_report.h) named "narrate".
[[gnu::format(printf, 1, 2)]] void ReportFailure(const char* format, ...);

// An HRESULT in the system's words, then its code, to follow a colon in a
// failure line: "there is not enough space on the disk (0x80070070)".
std::string InWords(HRESULT hr);

}  // namespace narrate
