// The one indirection for loading the synthesizers' shared libraries, so tests can
// make a library look missing.
#pragma once

#include <varnel/call_table.h>

namespace speech::modules {

struct Table {
    // dlopen's signature and result: null when the library cannot be loaded.
    void* (*open)(const char* name, int flags);
};

win32::CallSlot<Table>& Slot();
inline const Table& RealCalls() { return Slot().Real(); }
inline const Table& Calls() { return Slot().Current(); }
// Made and ended before the synthesizers are loaded or while nothing is loading.
using ScopedOverride = win32::ScopedCallOverride<Table, Slot>;

}  // namespace speech::modules
