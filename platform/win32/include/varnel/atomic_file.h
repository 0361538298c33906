// Whole-file replacement that never leaves a torn file (platform-internal).
#pragma once

#include <string>
#include <string_view>

#include <varnel/result.h>
#include <varnel/syscalls.h>

namespace win32::sys {

// A new version of a file, written to a temporary file in the target's folder
// and renamed over the target only when complete. Until Commit succeeds the
// target is untouched; a failed or abandoned write leaves no temporary file.
class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile() { Discard(); }
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file (mode of an existing target, else 0666 less
    // the umask).
    Status Create(const std::string& target);
    int fd() const { return fd_.get(); }
    const std::string& temporaryPath() const { return temporary_; }

    // Flushes the data to the disk and renames the file over the target. On
    // failure the temporary file is removed.
    Status Commit();
    // Removes the temporary file (the destructor does so unless committed).
    void Discard();

private:
    std::string target_;
    std::string temporary_;
    UniqueFd fd_;
};

// Replaces `path` with `contents` through an AtomicFile.
Status WriteFileAtomically(const std::string& path, std::string_view contents);

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path);

}  // namespace win32::sys
