#include "sp_stream.h"

#include "wave_format.h"

#include <winnls.h>

#include <cerrno>
#include <string>

namespace speech {
namespace {

// File names reach the OS in the locale's character set, as ANSI paths do.
bool ToOsPath(LPCWSTR fileName, std::string& path)
{
    bool utf8 = GetACP() == CP_UTF8;
    DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : 0;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    int size = WideCharToMultiByte(CP_ACP, flags, fileName, -1, nullptr, 0, nullptr, usedDefaultOut);
    if (size <= 1) return false;
    path.assign(static_cast<std::size_t>(size), '\0');
    if (WideCharToMultiByte(CP_ACP, flags, fileName, -1, path.data(), size, nullptr, usedDefaultOut) != size)
        return false;
    path.pop_back();  // the terminator
    return !usedDefault;
}

}  // namespace

SpStream::~SpStream() { file_.Finish(); }

HRESULT SpStream::Write(const void* data, ULONG bytes, ULONG* written)
{
    if (written) *written = 0;
    if (!data && bytes) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (state_ == State::Unbound) return SPERR_UNINITIALIZED;
    if (state_ == State::Closed) return SPERR_STREAM_CLOSED;
    HRESULT hr = file_.Write(data, bytes);
    if (SUCCEEDED(hr) && written) *written = bytes;
    return hr;
}

HRESULT SpStream::AppendScratchFile(int fd)
{
    std::lock_guard lock(mutex_);
    if (state_ == State::Unbound) return SPERR_UNINITIALIZED;
    if (state_ == State::Closed) return SPERR_STREAM_CLOSED;
    return file_.AppendFile(fd);
}

HRESULT SpStream::StartSync()
{
    std::lock_guard lock(mutex_);
    if (state_ == State::Unbound) return SPERR_UNINITIALIZED;
    if (state_ == State::Closed) return SPERR_STREAM_CLOSED;
    file_.StartSync();
    return S_OK;
}

HRESULT SpStream::GetFormat(GUID* formatId, WAVEFORMATEX** format)
{
    if (!formatId || !format) return E_POINTER;
    *format = nullptr;
    *formatId = GUID_NULL;
    std::lock_guard lock(mutex_);
    if (state_ == State::Unbound) return SPERR_UNINITIALIZED;
    *format = CoTaskMemFormat(format_);
    if (!*format) return E_OUTOFMEMORY;
    *formatId = SPDFID_WaveFormatEx;
    return S_OK;
}

HRESULT SpStream::BindToFile(LPCWSTR fileName, SPFILEMODE mode, const GUID* formatId, const WAVEFORMATEX* format,
                             ULONGLONG)
{
    if (!fileName || !formatId) return E_INVALIDARG;
    if (mode != SPFM_CREATE_ALWAYS) return E_NOTIMPL;  // the engine only writes new files
    if (*formatId != SPDFID_WaveFormatEx || !format || !IsSupportedPcm(*format)) return E_INVALIDARG;
    std::string path;
    if (!ToOsPath(fileName, path)) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    if (state_ != State::Unbound) return SPERR_ALREADY_INITIALIZED;
    HRESULT hr = file_.Create(path, *format);
    if (FAILED(hr)) return hr;
    format_ = *format;
    format_.cbSize = 0;
    folder_ = path.substr(0, path.rfind('/') + 1);
    state_ = State::Bound;
    return S_OK;
}

HRESULT SpStream::Close()
{
    std::lock_guard lock(mutex_);
    if (state_ == State::Unbound) return SPERR_UNINITIALIZED;
    if (state_ == State::Closed) return SPERR_STREAM_CLOSED;
    state_ = State::Closed;
    return file_.Finish();
}

}  // namespace speech

namespace speech {

HRESULT SpStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition)
{
    if (move.QuadPart != 0 || origin != STREAM_SEEK_CUR) return STG_E_INVALIDFUNCTION;  // written in order only
    std::lock_guard lock(mutex_);
    if (state_ == State::Unbound) return SPERR_UNINITIALIZED;
    if (newPosition) newPosition->QuadPart = file_.DataBytes();
    return S_OK;
}

HRESULT SpStream::CreateScratchFile(int* fd)
{
    if (!fd) return E_POINTER;
    *fd = -1;
    std::string folder;
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::Bound) return SPERR_UNINITIALIZED;
        folder = folder_.empty() ? "." : folder_;
    }
    *fd = win32::sys::Open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (*fd >= 0) return S_OK;
    if (errno != EOPNOTSUPP && errno != EISDIR) return HresultFromErrno(errno);
    // A file system without unnamed files: a named one, unlinked at once.
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        std::string path = folder + "/.varnel-scratch-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        *fd = win32::sys::Open(path.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
        if (*fd >= 0) {
            win32::sys::Unlink(path.c_str());
            return S_OK;
        }
        if (errno != EEXIST) break;
    }
    return HresultFromErrno(errno);
}

}  // namespace speech
