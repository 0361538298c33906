#include <libloaderapi.h>

#include <cerrno>
#include <cstring>

#include <varnel/errno_map.h>
#include <kernel32_real.h>
#include <varnel/process_calls.h>
#include <varnel/process_paths.h>
#include <winbase.h>

namespace {
// Its address is the running program's module handle.
char programModule;
}  // namespace

namespace win32 {
namespace {
constexpr std::size_t kLongestPath = 1 << 20;
}

std::optional<std::string> ExecutablePath()
{
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t length = proc::Calls().readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return std::nullopt;
        if (static_cast<std::size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(length));
            return buffer;
        }
        if (buffer.size() >= kLongestPath) {
            errno = ENAMETOOLONG;
            return std::nullopt;
        }
        buffer.resize(buffer.size() * 2);  // readlink cuts silently: try again larger
    }
}

}  // namespace win32

HMODULE GetModuleHandleA(LPCSTR moduleName)
{
    if (moduleName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(&programModule);
}

DWORD win32::kernel32::real::GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
    if (module && module != GetModuleHandleA(nullptr)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    auto path = win32::ExecutablePath();
    if (!path) {
        win32::SetLastErrorFromErrno(errno);
        return 0;
    }
    if (size == 0 || !fileName) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path->size() < size) {
        std::memcpy(fileName, path->c_str(), path->size() + 1);
        return static_cast<DWORD>(path->size());
    }
    std::memcpy(fileName, path->data(), size - 1);
    fileName[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}
