// The process's kernel-object handles (platform-internal).
#pragma once

#include <memory>
#include <optional>

#include <windef.h>

#include <varnel/process_child.h>

namespace win32::handles {

// A started child's process and thread; a process opened only to learn that
// it runs (OpenProcess); the access token of this process.
enum class Kind { Process, Thread, OpenedProcess, Token };

struct Object {
    Kind kind;
    std::shared_ptr<ChildProcess> process;  // a child's; a thread handle names its process
};

// A new handle for `object`. Handle values are never reused.
HANDLE Insert(Object object);
// The object of an open handle.
std::optional<Object> Find(HANDLE handle);
// Closes a handle; false when it was not open. The object goes when its
// last handle is closed and no call is using it.
bool Remove(HANDLE handle);

}  // namespace win32::handles
