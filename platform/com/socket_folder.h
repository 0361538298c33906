// The folder of the user's local-server sockets and the sockets in it
// (platform-internal). A socket of a class object is named
// "<CLSID>.<process id>.<cookie>", so a client finds a class's sockets by name.
#pragma once

#include <guiddef.h>
#include <varnel/syscalls.h>
#include <winerror.h>

#include <string>
#include <vector>

namespace com::local {

// $XDG_RUNTIME_DIR/varnel-com, or /tmp/varnel-com-<uid> when the variable is
// unset, empty or not an absolute path.
std::string SocketFolder();

// S_OK when the folder may hold the user's sockets: a real directory (not a
// link), owned by this user, with no permission for group or others.
// `create` makes it (mode 0700) when it does not exist. E_ACCESSDENIED when
// it is someone else's or open to others; otherwise the error in making it.
HRESULT CheckSocketFolder(const std::string& folder, bool create);

std::string SocketName(REFCLSID clsid, DWORD cookie);
// The sockets in the folder named for the class.
std::vector<std::string> ClassSockets(const std::string& folder, REFCLSID clsid);

// Listens on folder/name: bound under a hidden name first and renamed into
// place, so a client never finds a socket that is not listening yet.
HRESULT Listen(const std::string& folder, const std::string& name, win32::sys::UniqueFd& listener);

}  // namespace com::local
