// The file a WAV is rendered into before it replaces the output: a fresh name in
// the output's folder, removed again unless the finished file was moved over the
// output. Making one first removes what killed runs left there (leftover_sweep.h).
#pragma once

#include <functional>
#include <string>

namespace narrate {

class TemporaryOutput {
public:
    explicit TemporaryOutput(std::string target);
    ~TemporaryOutput();  // deletes the temporary file unless committed
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    // A name in the target's folder that no file has yet.
    const std::string& path() const { return path_; }
    // Runs `create` (which makes the file at path()); false when interrupted first.
    bool Create(const std::function<void()>& create);
    // Moves the finished file over the target; false (with GetLastError) when that failed.
    bool Commit();

private:
    void Discard();

    std::string target_;
    std::string path_;
    bool created_ = false;
};

// The folder part of a path, with its separator ("" for a bare name).
std::string FolderOf(const std::string& path);

}  // namespace narrate
