// The one indirection for loading the synthesizers' shared libraries, so tests can
// make a library look missing.
#pragma once

#include <varnel/call_table.h>

#include <dlfcn.h>

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

// Looks up a function of a loaded library by name; false when it is missing.
template <class Function>
bool FindSymbol(void* handle, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(handle, name));
    return function != nullptr;
}

}  // namespace speech::modules
