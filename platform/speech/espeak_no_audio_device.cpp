// espeak-ng (1.51) makes itself an audio device in espeak_Initialize, whatever
// the output mode asked for, through pcaudiolib, whose first choice connects to
// PulseAudio to see whether a server runs. The engine never lets espeak-ng play
// (it takes the samples and writes them to the output itself), so that
// connection was made for every request, in every process: narrate, which
// only writes files, talked to the sound server and got its warnings.
//
// The programs define the function themselves. Exported from the executable
// (see CMakeLists.txt), it comes before pcaudiolib's in the dynamic linker's
// lookup, so espeak-ng gets no device; every pcaudiolib call accepts that.
// Normally pcaudiolib is not even loaded (its stand-in takes its place, see
// espeak_library.cpp); this covers a process where the stand-in could not be.
#include "espeak_no_audio_device.h"

extern "C" [[gnu::visibility("default")]] audio_object* create_audio_device_object(const char*, const char*,
                                                                                      const char*)
{
    return nullptr;
}
