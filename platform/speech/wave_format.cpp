#include "wave_format.h"

#include "synthesizer.h"

#include <objbase.h>

namespace speech {

WAVEFORMATEX NativeFormat()
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = kNativeSampleRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = kNativeSampleRate * 2;
    format.cbSize = 0;
    return format;
}

bool IsSupportedPcm(const WAVEFORMATEX& format)
{
    if (format.wFormatTag != WAVE_FORMAT_PCM) return false;
    if (format.nChannels < 1 || format.nChannels > 8) return false;
    WORD bits = format.wBitsPerSample;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (format.nSamplesPerSec < 1000 || format.nSamplesPerSec > 384000) return false;
    if (format.nBlockAlign != format.nChannels * bits / 8) return false;
    return format.nAvgBytesPerSec == format.nSamplesPerSec * format.nBlockAlign;
}

WAVEFORMATEX* CoTaskMemFormat(const WAVEFORMATEX& format)
{
    auto* copy = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
    if (!copy) return nullptr;
    *copy = format;
    copy->cbSize = 0;
    return copy;
}

}  // namespace speech
