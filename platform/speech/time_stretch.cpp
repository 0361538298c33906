#include "time_stretch.h"

#include <sonic.h>

namespace speech {

namespace {
constexpr std::size_t kChunkSamples = 1024;
}

TimeStretch::TimeStretch(double speed, int sampleRate, double pitch)
    : stream_(sonicCreateStream(sampleRate, 1)), ready_(kChunkSamples)
{
    if (!stream_) return;
    sonicSetSpeed(stream_, static_cast<float>(speed));
    sonicSetPitch(stream_, static_cast<float>(pitch));
}

TimeStretch::~TimeStretch()
{
    if (stream_) sonicDestroyStream(stream_);
}

bool TimeStretch::Push(const std::int16_t* samples, std::size_t count, const PcmSink& sink)
{
    if (!stream_) return false;
    // sonic takes short and counts in int; espeak-ng hands over small buffers.
    if (!sonicWriteShortToStream(stream_, const_cast<short*>(reinterpret_cast<const short*>(samples)),
                                 static_cast<int>(count)))
        return false;
    return Drain(sink);
}

bool TimeStretch::Finish(const PcmSink& sink)
{
    if (!stream_ || !sonicFlushStream(stream_)) return false;
    return Drain(sink);
}

bool TimeStretch::Drain(const PcmSink& sink)
{
    for (;;) {
        int got = sonicReadShortFromStream(stream_, reinterpret_cast<short*>(ready_.data()),
                                           static_cast<int>(ready_.size()));
        if (got <= 0) return true;
        if (!sink(ready_.data(), static_cast<std::size_t>(got))) return false;
    }
}

}  // namespace speech
