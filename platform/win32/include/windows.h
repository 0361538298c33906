// Umbrella header: every Win32 header of the platform (none of COM's).
#pragma once

#include <windef.h>
#include <winerror.h>
#include <winbase.h>
#include <winnls.h>
#include <mmreg.h>

#include <processthreadsapi.h>
#include <libloaderapi.h>
#include <winuser.h>
#include <handleapi.h>
#include <processenv.h>
#include <synchapi.h>
#if __has_include(<shellapi.h>)
#include <shellapi.h>
#endif
