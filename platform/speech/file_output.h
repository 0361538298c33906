// What the voice needs from an output that is a file, beyond writing to it
// (platform-internal interface of the WAV file stream): render workers write
// audio into scratch files, which join the output without passing through memory.
#pragma once

#include <unknwn.h>

struct IEngineFileOutput : IUnknown {
    // A file without a name beside the output file, for the audio of one piece: it
    // takes no memory and disappears when closed, however the process ends. *fd is
    // ours to close.
    STDMETHOD(CreateScratchFile)(int* fd) = 0;
    // Appends the whole of a scratch file to the output's audio, as Write would.
    STDMETHOD(AppendScratchFile)(int fd) = 0;
    // Starts syncing the audio appended so far, without waiting: asked while the
    // last piece renders and the other cores are idle, so that the sync that ends
    // the file has little left to do.
    STDMETHOD(StartSync)() = 0;

protected:
    ~IEngineFileOutput() = default;
};
DECLARE_INTERFACE_IID(IEngineFileOutput, "{0E6B3C52-7A1D-4F8E-9B25-C4D8A1E7F309}");
