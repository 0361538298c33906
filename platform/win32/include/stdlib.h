// The C runtime's <stdlib.h>: the system's own, and beside it the decimal
// conversions as the Windows runtime has them at 32 bits (the system's are 64-bit
// and saturate). They live in the namespace of the Windows runtime's functions,
// so the system's atoi and atol stay as they are for the process.
#pragma once

#include_next <stdlib.h>

#include <windef.h>

// C++ linkage even where a C header includes this one inside extern "C".
extern "C++" {
namespace msvcrt {

// Leading white space, one optional sign, digits up to the first other
// character; no digits give 0; no range check, an overflow wraps around.
LONG atol(const char* text);
int atoi(const char* text);

}  // namespace msvcrt
}  // extern "C++"
