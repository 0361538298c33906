// Console control events as a release, for the life of the object.
// - Ctrl+C (SIGINT): raises the signal; the program runs on and releases.
// - A closed console, SIGTERM, SIGHUP: raises the signal, then the handler's
//   thread waits for the release (up to 5 s, as long as Windows gives a close
//   handler), so the process ends with the main thread's exit code rather than
//   the close event's 1.
// - Ctrl+Break (SIGQUIT) keeps its default: the process ends at once, and the
//   COM runtime lets go of what a dead client held.
#pragma once

#include "release_signal.h"

namespace hold {

class ScopedReleaseOnControl {
public:
    // `signal` must outlive every handler thread: the program's lives until exit.
    explicit ScopedReleaseOnControl(ReleaseSignal& signal);
    ~ScopedReleaseOnControl();
    ScopedReleaseOnControl(const ScopedReleaseOnControl&) = delete;
    ScopedReleaseOnControl& operator=(const ScopedReleaseOnControl&) = delete;

    bool installed() const { return installed_; }

private:
    bool installed_;
};

}  // namespace hold
