#include <varnel/process_spawn.h>

#include <csignal>

#include <unistd.h>

#include <varnel/process_calls.h>

extern char** environ;

namespace win32 {
namespace {

class FileActions {
public:
    FileActions() { error_ = posix_spawn_file_actions_init(&actions_); }
    ~FileActions()
    {
        if (valid_) posix_spawn_file_actions_destroy(&actions_);
    }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;

    int Prepare(const SpawnRequest& request)
    {
        if (error_) return error_;
        valid_ = true;
        if (request.directory) {
            if (int error = posix_spawn_file_actions_addchdir_np(&actions_, request.directory->c_str())) return error;
        }
        if (request.standardInput >= 0) {
            if (int error = posix_spawn_file_actions_adddup2(&actions_, request.standardInput, STDIN_FILENO))
                return error;
        }
        if (request.standardOutput >= 0) {
            if (int error = posix_spawn_file_actions_adddup2(&actions_, request.standardOutput, STDOUT_FILENO))
                return error;
        }
        // Windows children inherit no handles unless asked; here nothing but
        // the standard streams, whatever close-on-exec flags say.
        return posix_spawn_file_actions_addclosefrom_np(&actions_, 3);
    }
    const posix_spawn_file_actions_t* get() const { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
    int error_ = 0;
    bool valid_ = false;
};

class Attributes {
public:
    Attributes() { error_ = posix_spawnattr_init(&attributes_); }
    ~Attributes()
    {
        if (valid_) posix_spawnattr_destroy(&attributes_);
    }
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;

    // Signals blocked or ignored by our threads (a console handler's
    // sigwait, an ignored SIGPIPE) must not carry over into the child.
    int Prepare()
    {
        if (error_) return error_;
        valid_ = true;
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        if (int error = posix_spawnattr_setsigmask(&attributes_, &none)) return error;
        if (int error = posix_spawnattr_setsigdefault(&attributes_, &all)) return error;
        return posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    const posix_spawnattr_t* get() const { return &attributes_; }

private:
    posix_spawnattr_t attributes_;
    int error_ = 0;
    bool valid_ = false;
};

std::vector<char*> Pointers(const std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (const auto& s : strings) pointers.push_back(const_cast<char*>(s.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

int Spawn(const SpawnRequest& request, pid_t& pid)
{
    FileActions actions;
    if (int error = actions.Prepare(request)) return error;
    Attributes attributes;
    if (int error = attributes.Prepare()) return error;
    auto argv = Pointers(request.arguments);
    std::vector<char*> ownEnvironment;
    char* const* envp = environ;
    if (request.environment) {
        ownEnvironment = Pointers(*request.environment);
        envp = ownEnvironment.data();
    }
    return proc::Calls().spawn(&pid, request.path.c_str(), actions.get(), attributes.get(), argv.data(), envp);
}

}  // namespace win32
