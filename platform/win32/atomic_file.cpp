#include <varnel/atomic_file.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>

namespace win32::sys {
namespace {

std::string UniqueSuffix()
{
    static std::atomic<unsigned> counter{0};
    auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    unsigned long long mix = static_cast<unsigned long long>(now) * 2654435761u +
                             static_cast<unsigned long long>(getpid()) * 40503u + counter++;
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix;
    for (int i = 0; i < 8; ++i) {
        suffix += digits[mix % 36];
        mix /= 36;
    }
    return suffix;
}

std::string BaseNameOf(const std::string& path)
{
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Makes the rename itself durable; file systems that cannot sync a folder are
// no reason to fail the write.
void SyncFolder(const std::string& folder)
{
    UniqueFd dir(Open(folder.c_str(), O_RDONLY | O_DIRECTORY));
    if (dir) Fsync(dir.get());
}

}  // namespace

std::string FolderOf(const std::string& path)
{
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

Status AtomicFile::Create(const std::string& target)
{
    Discard();
    struct stat existing {};
    bool hadTarget = Stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    std::string folder = FolderOf(target);
    std::string stem = (target.find('/') == std::string::npos ? std::string() : folder + "/") + "." +
                       BaseNameOf(target) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = stem + UniqueSuffix() + ".tmp";
        int fd = Open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return FailureFromErrno(errno, target.c_str());
        }
        fd_ = UniqueFd(fd);
        target_ = target;
        temporary_ = candidate;
        if (hadTarget && Fchmod(fd, existing.st_mode & 07777) != 0) {
            const Failure failure = FailureFromErrno(errno, target.c_str());
            Discard();
            return failure;
        }
        return {};
    }
    return FailureFromErrno(EEXIST);
}

Status AtomicFile::Commit()
{
    if (!fd_) return FailureFromErrno(EBADF);
    // Allocated before the rename: once the target is replaced, nothing may fail.
    const std::string folder = FolderOf(target_);
    bool ok = Fsync(fd_.get()) == 0;
    ok = ok && fd_.Reset() == 0;
    ok = ok && Rename(temporary_.c_str(), target_.c_str()) == 0;
    if (!ok) {
        const Failure failure = FailureFromErrno(errno, target_.c_str());
        Discard();
        return failure;
    }
    temporary_.clear();
    SyncFolder(folder);
    return {};
}

void AtomicFile::Discard()
{
    int error = errno;
    fd_.Reset();
    if (!temporary_.empty()) Unlink(temporary_.c_str());
    temporary_.clear();
    errno = error;
}

Status WriteFileAtomically(const std::string& path, std::string_view contents)
{
    AtomicFile file;
    if (Status created = file.Create(path); !created) return created;
    if (WriteAll(file.fd(), contents.data(), contents.size()) != 0) return FailureFromErrno(errno, path.c_str());
    return file.Commit();
}

}  // namespace win32::sys
