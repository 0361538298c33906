// Audio formats the engine renders in.
#pragma once

#include <mmreg.h>

namespace speech {

// The synthesizer's own format and the default audio output's: 22050 Hz, 16-bit, mono PCM.
WAVEFORMATEX NativeFormat();
// PCM the engine can convert to: 1..8 channels, 8/16/24/32 bits, 1000..384000 Hz,
// with consistent block alignment and byte rate.
bool IsSupportedPcm(const WAVEFORMATEX& format);
// A CoTaskMemAlloc'd copy (cbSize 0), or nullptr when memory runs out.
WAVEFORMATEX* CoTaskMemFormat(const WAVEFORMATEX& format);

}  // namespace speech
