// The output of FFmpeg's muxers: an AVIOContext whose writes and seeks go through
// a FileSink, so the platform's file calls write every byte and a failure (a full
// disk) fails the file.
#pragma once

#include "ffmpeg_library.h"
#include "file_sink.h"

#include <memory>

namespace speech {

class FfmpegFileOutput {
public:
    // nullptr when FFmpeg has no memory for it.
    static std::unique_ptr<FfmpegFileOutput> Create(const FfmpegLibrary& library, FileSink& out);
    ~FfmpegFileOutput();
    FfmpegFileOutput(const FfmpegFileOutput&) = delete;
    FfmpegFileOutput& operator=(const FfmpegFileOutput&) = delete;

    AVIOContext* context() const { return context_; }
    // The file's failure when it failed, else `otherwise`.
    HRESULT Failure(HRESULT otherwise) const { return FAILED(out_.error()) ? out_.error() : otherwise; }

private:
    FfmpegFileOutput(const FfmpegLibrary& library, FileSink& out) : library_(library), out_(out) {}
    static int Write(void* opaque, std::uint8_t* data, int size);
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence);
    HRESULT WriteHere(const std::uint8_t* data, std::size_t size);

    const FfmpegLibrary& library_;
    FileSink& out_;
    AVIOContext* context_ = nullptr;
    std::uint64_t position_ = 0;  // where FFmpeg writes next
};

}  // namespace speech
