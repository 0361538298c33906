// One line on standard error per failure: what failed, the HRESULT in the
// system's words and in hex.
#pragma once

#include <objbase.h>

#include <string>
#include <string_view>

namespace hold {

// The system's text for `hr` without its line end and final full stop
// ("Class not registered"), or "unknown error" when the system has none.
std::string HresultInWords(HRESULT hr);

// "automation-hold: <what>: <words> (0x80040154)" and a line end.
std::string FailureLine(std::string_view what, HRESULT hr);

// Writes a FailureLine to standard error.
void ReportFailure(std::string_view what, HRESULT hr);

}  // namespace hold
