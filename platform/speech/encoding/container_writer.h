// Writes the encoded packets of a whole file into its container, with the file's
// tags and chapter marks, once all pieces are rendered (Ogg and ID3 keep chapters
// in the header, before the audio).
#pragma once

#include "audio_container.h"
#include "file_sink.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace speech {

struct AudioTags {
    std::string title, artist, album, track;  // UTF-8; empty: not written
};

struct ChapterMark {
    std::string title;        // UTF-8
    std::uint64_t start = 0;  // timeline samples after the priming
};

struct ContainerPlan {
    AudioContainer container = AudioContainer::Opus;
    std::uint32_t sampleRate = 22050;  // of the samples before encoding
    std::uint16_t channels = 1;
    std::uint32_t priming = 0;         // timeline samples players skip at the start
    std::uint64_t samples = 0;         // timeline samples after the priming
    std::uint64_t packets = 0;
    AudioTags tags;
    std::vector<ChapterMark> chapters;  // in order of their starts
};

class ContainerWriter {
public:
    virtual ~ContainerWriter() = default;
    virtual HRESULT Begin(const ContainerPlan& plan) = 0;
    virtual HRESULT Packet(const std::uint8_t* data, std::size_t size, std::uint32_t duration) = 0;
    virtual HRESULT End() = 0;
};

// A writer for a compressed container into `out`; nullptr with *hr telling why.
std::unique_ptr<ContainerWriter> CreateContainerWriter(AudioContainer container, FileSink& out, HRESULT* hr);

// A chapter's start as "HH:MM:SS.mmm", the form Ogg and FLAC chapter comments take.
std::string ChapterTime(std::uint64_t start, std::uint32_t timelineRate);

}  // namespace speech
