// Test fixture support: every test runs in fresh folders, never the user's.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with its contents.
class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "varnel-test.XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Points XDG_DATA_HOME, XDG_RUNTIME_DIR (when asked) and the current directory at
// fresh folders for the life of the object, and puts the old values back after.
// PULSE_SERVER is left alone, so audio tests still reach the test's sound server.
class IsolatedEnvironment {
public:
    explicit IsolatedEnvironment(bool moveRuntimeDir = false)
        : oldCwd_(std::filesystem::current_path())
    {
        Save("XDG_DATA_HOME", root_ / "data");
        if (moveRuntimeDir) Save("XDG_RUNTIME_DIR", root_ / "runtime");
        std::filesystem::create_directories(root_ / "cwd");
        std::filesystem::current_path(root_ / "cwd");
    }
    ~IsolatedEnvironment()
    {
        std::filesystem::current_path(oldCwd_);
        for (auto& [name, value, had] : saved_) {
            if (had) setenv(name.c_str(), value.c_str(), 1);
            else unsetenv(name.c_str());
        }
    }
    IsolatedEnvironment(const IsolatedEnvironment&) = delete;
    IsolatedEnvironment& operator=(const IsolatedEnvironment&) = delete;

    std::filesystem::path cwd() const { return root_ / "cwd"; }
    std::filesystem::path dataHome() const { return root_ / "data"; }
    const std::filesystem::path& root() const { return root_.path(); }

private:
    struct Saved { std::string name, value; bool had; };

    void Save(const char* name, const std::filesystem::path& value)
    {
        const char* old = std::getenv(name);
        saved_.push_back({name, old ? old : "", old != nullptr});
        std::filesystem::create_directories(value);
        std::filesystem::permissions(value, std::filesystem::perms::owner_all);
        setenv(name, value.c_str(), 1);
    }

    ScratchDir root_;
    std::filesystem::path oldCwd_;
    std::vector<Saved> saved_;
};

}  // namespace testing_support
