// Starting a program with posix_spawn (platform-internal).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace win32 {

struct SpawnRequest {
    std::string path;                                    // absolute, or relative to our directory
    std::vector<std::string> arguments;                  // argv, program name first
    std::optional<std::vector<std::string>> environment;  // ours when absent
    std::optional<std::string> directory;                 // ours when absent
    int standardInput = -1;                               // a descriptor of ours; -1: our own
    int standardOutput = -1;                              // a descriptor of ours; -1: our own
};

// Starts the program with the standard streams as its only descriptors and
// default signal mask and dispositions. The error number on failure, 0 on
// success with `pid` set.
int Spawn(const SpawnRequest& request, pid_t& pid);

}  // namespace win32
