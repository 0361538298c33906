#include "sp_stream.h"

#include "wave_format.h"

#include <winnls.h>

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
