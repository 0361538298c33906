// One line on standard error per failure; standard output keeps the three
// messages of the converter alone.
#pragma once

#include <winerror.h>

namespace narrate {

[[gnu::format(printf, 1, 2)]] void ReportFailure(const char* format, ...);

// An HRESULT as the SDK prints it: 0x80004005.
struct HresultText {
    explicit HresultText(HRESULT hr);
    char text[11];
};

}  // namespace narrate
