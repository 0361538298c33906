// What the voice needs from an output that is a file, beyond writing to it
// (platform-internal interface of the WAV file stream): render workers write
// audio into scratch files, which join the output without passing through memory.
#pragma once

#include "encoding/piece_encoder.h"

#include <unknwn.h>

#include <vector>

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
    // How a piece rendered elsewhere is to be written into a scratch file: as the
    // output's samples (a WAV file) or encoded for its container, and whether it
    // would be the file's first piece.
    STDMETHOD(GetPieceFormat)(speech::PieceFormat* format) = 0;
    // Where chapters begin in the text of the plain-text request now rendered
    // (UTF-16 units, ascending); handed out once.
    STDMETHOD(TakeChapterStarts)(std::vector<ULONG>* starts) = 0;
    // What is written from now on begins the next chapter.
    STDMETHOD(StartChapter)() = 0;

protected:
    ~IEngineFileOutput() = default;
};
DECLARE_INTERFACE_IID(IEngineFileOutput, "{0E6B3C52-7A1D-4F8E-9B25-C4D8A1E7F309}");
