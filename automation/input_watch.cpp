#include "input_watch.h"

#include <thread>

namespace hold {

void WatchInput(std::FILE* input, ReleaseSignal& signal)
{
    std::thread([input, &signal] {
        char discarded[4096];
        while (std::fread(discarded, 1, sizeof discarded, input) > 0) {
        }
        signal.Raise();
    }).detach();
}

}  // namespace hold
