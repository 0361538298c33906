// The stand-in for pcaudiolib as a shared object's bytes (pcaudio_stand_in/).
#pragma once

#include <cstddef>

namespace speech {

extern const unsigned char kPcaudioStandIn[];
extern const std::size_t kPcaudioStandInBytes;

}  // namespace speech
