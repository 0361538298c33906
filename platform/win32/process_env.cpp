#include <processenv.h>

#include <cerrno>
#include <cstring>

#include <varnel/errno_map.h>
#include <kernel32_real.h>
#include <varnel/process_calls.h>
#include <varnel/process_paths.h>
#include <winbase.h>

namespace win32 {
namespace {
constexpr std::size_t kLongestPath = 1 << 20;
}

std::optional<std::string> CurrentDirectory()
{
    std::string buffer(256, '\0');
    for (;;) {
        if (proc::Calls().getcwd(buffer.data(), buffer.size())) {
            buffer.resize(std::strlen(buffer.c_str()));
            return buffer;
        }
        if (errno != ERANGE) return std::nullopt;
        if (buffer.size() >= kLongestPath) {
            errno = ENAMETOOLONG;
            return std::nullopt;
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace win32

DWORD win32::kernel32::real::GetCurrentDirectoryA(DWORD size, LPSTR buffer)
{
    auto directory = win32::CurrentDirectory();
    if (!directory) {
        win32::SetLastErrorFromErrno(errno);
        return 0;
    }
    auto length = static_cast<DWORD>(directory->size());
    if (!buffer || size <= length) return length + 1;
    std::memcpy(buffer, directory->c_str(), length + 1);
    return length;
}
