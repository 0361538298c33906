// Umbrella header: every Win32 header of the platform (none of COM's).
#pragma once

#include <windef.h>
#include <winbase.h>
#include <winnls.h>
#include <mmreg.h>

// Process, module, window and shell headers, included once they exist.
#if __has_include(<processthreadsapi.h>)
#include <processthreadsapi.h>
#endif
#if __has_include(<libloaderapi.h>)
#include <libloaderapi.h>
#endif
#if __has_include(<winuser.h>)
#include <winuser.h>
#endif
#include <handleapi.h>
#include <processenv.h>
#include <synchapi.h>
#if __has_include(<shellapi.h>)
#include <shellapi.h>
#endif
