// Temporary files that killed runs leave behind: a run ended by SIGKILL cannot
// remove its ".narrate-<pid>.tmp". The next run writing into that folder removes
// such files whose process is gone, if they belong to the user running it.
#pragma once

#include <securitybaseapi.h>

#include <optional>
#include <string>
#include <string_view>

namespace narrate {

// The process id in a temporary file's name (".narrate-<pid>.tmp" or
// ".narrate-<pid>-<n>.tmp"), or nothing for any other name.
std::optional<DWORD> LeftoverProcessId(std::string_view name);

// Removes the leftovers in `folder` ("" or ending in '/') of ended processes that
// `user` owns; the files of running processes and of other users stay.
void RemoveLeftovers(const std::string& folder, PSID user);
// The same for the user running this process.
void RemoveLeftovers(const std::string& folder);

}  // namespace narrate
