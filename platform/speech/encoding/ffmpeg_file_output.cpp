#include "ffmpeg_file_output.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace speech {
namespace {

constexpr int kBufferBytes = 64 * 1024;

}  // namespace

std::unique_ptr<FfmpegFileOutput> FfmpegFileOutput::Create(const FfmpegLibrary& library, FileSink& out)
{
    std::unique_ptr<FfmpegFileOutput> output(new FfmpegFileOutput(library, out));
    output->position_ = out.Position();
    auto* buffer = static_cast<unsigned char*>(library.Malloc(kBufferBytes));
    if (!buffer) return nullptr;
    output->context_ = library.IoAllocContext(buffer, kBufferBytes, 1, output.get(), nullptr, &FfmpegFileOutput::Write,
                                              &FfmpegFileOutput::Seek);
    if (!output->context_) {
        library.Free(buffer);
        return nullptr;
    }
    return output;
}

FfmpegFileOutput::~FfmpegFileOutput()
{
    if (!context_) return;
    library_.Freep(&context_->buffer);  // FFmpeg may have replaced the one it was given
    library_.IoContextFree(&context_);
}

// Bytes already in the file are rewritten in place (the sizes movenc patches at
// the end); the rest is appended.
HRESULT FfmpegFileOutput::WriteHere(const std::uint8_t* data, std::size_t size)
{
    const std::uint64_t end = out_.Position();
    if (position_ > end) return E_UNEXPECTED;  // FFmpeg's muxers leave no holes
    const std::size_t inside = static_cast<std::size_t>(std::min<std::uint64_t>(size, end - position_));
    if (inside > 0)
        if (HRESULT hr = out_.WriteAt(position_, data, inside); FAILED(hr)) return hr;
    if (inside < size)
        if (HRESULT hr = out_.Write(data + inside, size - inside); FAILED(hr)) return hr;
    position_ += size;
    return S_OK;
}

int FfmpegFileOutput::Write(void* opaque, std::uint8_t* data, int size)
{
    auto* output = static_cast<FfmpegFileOutput*>(opaque);
    if (FAILED(output->WriteHere(data, static_cast<std::size_t>(size)))) return AVERROR(EIO);
    return size;
}

std::int64_t FfmpegFileOutput::Seek(void* opaque, std::int64_t offset, int whence)
{
    auto* output = static_cast<FfmpegFileOutput*>(opaque);
    const auto end = static_cast<std::int64_t>(output->out_.Position());
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) return end;
    std::int64_t to = offset;
    if (whence == SEEK_CUR) to += static_cast<std::int64_t>(output->position_);
    else if (whence == SEEK_END) to += end;
    else if (whence != SEEK_SET) return AVERROR(EINVAL);
    if (to < 0 || to > end) return AVERROR(EINVAL);
    output->position_ = static_cast<std::uint64_t>(to);
    return to;
}

}  // namespace speech
