// The converter's run: command line in, WAV file out, exit code back.
#pragma once

namespace narrate {

inline constexpr int kExitRendered = 0;
inline constexpr int kExitFailed = 1;  // usage message or any failure

int RunNarrate(int argc, char** argv);

}  // namespace narrate
