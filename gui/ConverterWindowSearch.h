// What the export does when the converter outlives the wait: looks for the
// converter's main window among the top-level windows and says so.
#pragma once

#include <windows.h>

// Walks the top-level windows; the first one of the process that has no parent
// is taken as its main window: its title is read and a message is shown. The
// walk then ends. Returns whether such a window was found.
bool SearchConverterMainWindow(DWORD processId);
