// A failure code in words for the people who read the programs' messages,
// compiled into all three programs.
#pragma once

#include <winerror.h>

#include <string>

// The system's text for `hr` (FormatMessageA) without its line end and final
// full stop, then the code in hex: "There is not enough space on the disk
// (0x80070070)". A code the system has no text for: "Unknown error (0x...)".
std::string FailureInWords(HRESULT hr);

// The same for a Win32 error code (GetLastError), with its HRESULT's hex.
std::string Win32FailureInWords(DWORD error);
