// The one indirection for the operating system's process calls
// (platform-internal, not a Windows header). Process creation, waiting,
// reaping, and the reading of the current directory and of the running
// executable's path call the OS through this table, so a test can swap
// entries to inject failures with a ScopedOverride. File calls go through
// syscalls.h.
#pragma once

#include <cstddef>

#include <poll.h>
#include <spawn.h>
#include <sys/types.h>

namespace win32::proc {

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

const Table& RealCalls();
const Table& Calls();

// Puts `replacement` in force for the life of the object, then the previous
// table again. Meant for tests; background reapers started meanwhile may
// still call through the replacement's functions after it ends.
class ScopedOverride {
public:
    explicit ScopedOverride(const Table& replacement);
    ~ScopedOverride();
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;

private:
    Table table_;
    const Table* previous_;
};

}  // namespace win32::proc
