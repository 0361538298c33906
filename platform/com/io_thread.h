// The runtime's thread for the sockets of local servers (platform-internal).
// It accepts clients of the user's own uid only, reads their frames, posts
// each request to the apartment that serves it, and writes the replies. A
// client that breaks the protocol, or goes, is dropped, and the apartment
// releases what it held.
#pragma once

#include <varnel/syscalls.h>

#include <memory>

namespace com {

class Registration;

namespace io {

// Starts the thread on first use; false when it cannot be started.
bool Start();
// Serves the registration's clients on the listening socket `fd`.
void AddListener(win32::sys::UniqueFd fd, std::shared_ptr<Registration> registration);
// Stops listening for it, and drops its clients that have not said hello yet.
void RemoveListener(std::shared_ptr<Registration> registration);

}  // namespace io
}  // namespace com
