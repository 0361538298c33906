// The C runtime's <stdlib.h>: the system's own, and beside it the decimal
// conversions as the Windows runtime has them at 32 bits (the system's are 64-bit
// and saturate). They live in a namespace of their own, so the system's atoi and
// atol stay as they are for everything else in the process.
#pragma once

#include_next <stdlib.h>

#include <windef.h>

namespace win32::crt {

// Leading white space, one optional sign, digits up to the first other
// character; no digits give 0; no range check, an overflow wraps around.
LONG atol(const char* text);
int atoi(const char* text);

}  // namespace win32::crt
