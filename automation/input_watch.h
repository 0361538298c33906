// Standard input's end as a release: a thread of its own reads and drops the
// input until it ends (Ctrl+D, a closed pipe) or fails, then raises the signal.
#pragma once

#include "release_signal.h"

#include <cstdio>

namespace hold {

// The thread is detached: it may still be blocked in a read when the program
// ends. `input` and `signal` must outlive it (until the signal is raised).
void WatchInput(std::FILE* input, ReleaseSignal& signal);

}  // namespace hold
