// What the voice needs from an output that is a file, beyond writing to it
// (platform-internal interface of the WAV file stream).
#pragma once

#include <unknwn.h>

struct IEngineFileOutput : IUnknown {
    // A file without a name beside the output file, for audio that is ready before
    // its turn: it takes no memory and disappears when closed, however the process
    // ends. *fd is ours to close.
    STDMETHOD(CreateScratchFile)(int* fd) = 0;

protected:
    ~IEngineFileOutput() = default;
};
DECLARE_INTERFACE_IID(IEngineFileOutput, "{0E6B3C52-7A1D-4F8E-9B25-C4D8A1E7F309}");
