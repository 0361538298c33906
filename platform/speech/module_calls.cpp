#include "module_calls.h"

#include <dlfcn.h>

namespace speech::modules {
namespace {

const Table kReal = {dlopen};

}  // namespace

win32::CallSlot<Table>& Slot()
{
    static win32::CallSlot<Table> slot(kReal);
    return slot;
}

}  // namespace speech::modules
