#include "held_audio.h"

#include "wav_file_writer.h"

#include <cerrno>

namespace speech {

HRESULT HeldAudio::Append(const std::uint8_t* bytes, std::size_t count)
{
    if (!file_ && memory_.size() + count <= memoryBytes_) {
        memory_.insert(memory_.end(), bytes, bytes + count);
        return S_OK;
    }
    if (!file_) {
        int fd = -1;
        if (HRESULT hr = scratch_ ? scratch_->CreateScratchFile(&fd) : E_NOTIMPL; FAILED(hr)) return hr;
        file_ = win32::sys::UniqueFd(fd);
    }
    if (win32::sys::WriteAll(file_.get(), bytes, count) != 0) return HresultFromErrno(errno);
    return S_OK;
}

HRESULT HeldAudio::WriteTo(ISequentialStream* output)
{
    if (!memory_.empty()) {
        if (HRESULT hr = output->Write(memory_.data(), static_cast<ULONG>(memory_.size()), nullptr); FAILED(hr))
            return hr;
        std::vector<std::uint8_t>().swap(memory_);
    }
    if (!file_) return S_OK;
    if (win32::sys::Lseek(file_.get(), 0, SEEK_SET) != 0) return HresultFromErrno(errno);
    std::vector<std::uint8_t> chunk(64 * 1024);
    for (;;) {
        ssize_t got = win32::sys::Read(file_.get(), chunk.data(), chunk.size());
        if (got < 0) return HresultFromErrno(errno);
        if (got == 0) break;
        if (HRESULT hr = output->Write(chunk.data(), static_cast<ULONG>(got), nullptr); FAILED(hr)) return hr;
    }
    file_.Reset();
    return S_OK;
}

}  // namespace speech
