// The C runtime's decimal conversions as the Windows runtime has them at 32 bits:
// leading white space, one optional sign, digits up to the first other
// character; no digits give 0; no range check, an overflow wraps around.
#pragma once

#include <windef.h>

namespace narrate {

LONG atol(const char* text);
int atoi(const char* text);

}  // namespace narrate
