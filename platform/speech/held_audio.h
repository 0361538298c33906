// The audio of a piece that is ready before its turn: kept in memory up to a
// bound, the rest in a scratch file, and written out once the piece is due.
#pragma once

#include "file_output.h"

#include <sapi.h>
#include <varnel/syscalls.h>

#include <cstdint>
#include <vector>

namespace speech {

class HeldAudio {
public:
    HeldAudio(IEngineFileOutput* scratch, std::size_t memoryBytes) : scratch_(scratch), memoryBytes_(memoryBytes) {}

    // Keeps the bytes; a failure of the scratch file (a full disk) otherwise.
    HRESULT Append(const std::uint8_t* bytes, std::size_t count);
    // Writes everything kept into `output`, in order, and lets it go.
    HRESULT WriteTo(ISequentialStream* output);

private:
    IEngineFileOutput* scratch_;
    std::size_t memoryBytes_;
    std::vector<std::uint8_t> memory_;
    win32::sys::UniqueFd file_;
};

}  // namespace speech
