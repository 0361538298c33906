// Where the registry's trees live on disk and how they are read and replaced
// (platform-internal). One file per tree under <data home>/varnel/registry.
#pragma once

#include "registry_hive.h"

#include <varnel/syscalls.h>

#include <optional>
#include <string>

namespace com::registry {

enum class HiveId { Classes, User, Machine };

// $XDG_DATA_HOME/varnel/registry ($HOME/.local/share/... when XDG_DATA_HOME is unset,
// empty or relative); nothing when neither names a folder.
std::optional<std::string> RegistryFolder();
std::optional<std::string> HiveFile(HiveId hive);

// ERROR_SUCCESS or a Win32 error code. A missing file is an empty tree.
DWORD LoadHive(HiveId id, Hive& hive);
// Replaces the file atomically: on failure the old file stays as it was.
DWORD SaveHive(HiveId id, const Hive& hive);

// The store's lock file, held across one read-change-write so that two processes
// changing the registry at once cannot lose one another's change.
class StoreWriteLock {
public:
    // ERROR_SUCCESS once held (the folder is created when missing), else a Win32 error.
    DWORD Acquire();

private:
    win32::sys::UniqueFd fd_;  // closing it gives the lock back
};

}  // namespace com::registry
