// One logical Ogg stream written into a file (libogg): header packets each on
// pages of their own, then the audio packets with their granule positions.
#pragma once

#include "file_sink.h"

#include <ogg/ogg.h>

#include <cstdint>
#include <vector>

namespace speech {

class OggStream {
public:
    OggStream(FileSink& out, std::uint32_t serial);
    ~OggStream();
    OggStream(const OggStream&) = delete;
    OggStream& operator=(const OggStream&) = delete;

    // A header packet, flushed so the audio starts on a page of its own.
    HRESULT Header(const std::vector<std::uint8_t>& packet);
    HRESULT Audio(const std::uint8_t* data, std::size_t size, std::int64_t granule, bool last);

private:
    HRESULT Add(const std::uint8_t* data, std::size_t size, std::int64_t granule, bool last);
    HRESULT WritePages(bool flush);

    FileSink& out_;
    ogg_stream_state stream_{};
    std::int64_t packetNumber_ = 0;
};

// A serial number that is the same for the same file: a hash of what it holds.
std::uint32_t OggSerialFor(const std::vector<std::uint8_t>& headers, std::uint64_t samples);

}  // namespace speech
