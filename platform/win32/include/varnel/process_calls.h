// The one indirection for the operating system's process calls
// (platform-internal, not a Windows header). Process creation, waiting,
// reaping, and the reading of the current directory and of the running
// executable's path call the OS through this table, so a test can swap
// entries to inject failures with a ScopedOverride. File calls go through
// syscalls.h.
#pragma once

#include <varnel/call_table.h>

#include <cstddef>

#include <poll.h>
#include <spawn.h>
#include <sys/types.h>

namespace win32::proc {

using win32::CallSlot;
using win32::ScopedCallOverride;

// Entries keep the POSIX signatures and error reporting (spawn returns the
// error number; the others -1 and errno).
struct Table {
    int (*spawn)(pid_t* pid, const char* path, const posix_spawn_file_actions_t* actions,
                 const posix_spawnattr_t* attributes, char* const argv[], char* const envp[]);
    pid_t (*waitpid)(pid_t pid, int* status, int options);
    int (*pidfdOpen)(pid_t pid, unsigned int flags);
    int (*poll)(struct pollfd* fds, nfds_t count, int timeoutMs);
    int (*close)(int fd);
    char* (*getcwd)(char* buffer, size_t size);
    ssize_t (*readlink)(const char* path, char* buffer, size_t size);
};

CallSlot<Table>& Slot();
inline const Table& RealCalls() { return Slot().Real(); }
inline const Table& Calls() { return Slot().Current(); }
// Background reapers started meanwhile may still call through the replacement's
// functions after the override ends.
using ScopedOverride = ScopedCallOverride<Table, Slot>;

}  // namespace win32::proc
