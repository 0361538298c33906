// What an interruption (Ctrl+C, a closed console, SIGTERM) must clean up: the
// temporary audio files (one per chapter with --split). Creating, deleting and
// renaming them happen under one lock with the console control handler, so an
// interruption either finds a file and deletes it, or comes after its rename and
// leaves the complete output.
#pragma once

#include <functional>
#include <string>

namespace narrate {

class InterruptCleanup {
public:
    static InterruptCleanup& Instance();

    // Runs `create` unless an interruption came first (false then). From then on an
    // interruption deletes `path`.
    bool CreateTracked(const std::string& path, const std::function<void()>& create);
    // Runs `finish` (which renames or deletes the tracked file `path`) unless an
    // interruption came first (false then); the path is no longer tracked.
    bool FinishTracked(const std::string& path, const std::function<void()>& finish);
    // Deletes the tracked files and refuses further work; from the control handler.
    void Interrupt();

private:
    InterruptCleanup() = default;

    struct State;
    State& state();
};

// Installs the console control handler for the life of the object. The handler
// cleans up and lets the default end the process with exit code 1.
class ScopedInterruptHandler {
public:
    ScopedInterruptHandler();
    ~ScopedInterruptHandler();
    ScopedInterruptHandler(const ScopedInterruptHandler&) = delete;
    ScopedInterruptHandler& operator=(const ScopedInterruptHandler&) = delete;

private:
    bool installed_;
};

}  // namespace narrate
