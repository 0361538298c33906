#include "sp_stream.h"

#include "wave_format.h"
#include "wide_text.h"

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

SpStream::~SpStream() { FinishFile(); }

HRESULT SpStream::FinishFile() { return Encoded() ? encoded_.Finish() : wav_.Finish(); }

HRESULT SpStream::Usable() const
{
    if (state_ == State::Unbound) return SPERR_UNINITIALIZED;
    if (state_ == State::Closed) return SPERR_STREAM_CLOSED;
    return S_OK;
}

HRESULT SpStream::Write(const void* data, ULONG bytes, ULONG* written)
try {
    if (written) *written = 0;
    if (!data && bytes) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (HRESULT hr = Usable(); FAILED(hr)) return hr;
    HRESULT hr = Encoded() ? encoded_.Write(data, bytes) : wav_.Write(data, bytes);
    if (SUCCEEDED(hr) && written) *written = bytes;
    return hr;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpStream::AppendScratchFile(int fd)
try {
    std::lock_guard lock(mutex_);
    if (HRESULT hr = Usable(); FAILED(hr)) return hr;
    return Encoded() ? encoded_.AppendPiece(fd) : wav_.AppendFile(fd);
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpStream::StartSync()
try {
    std::lock_guard lock(mutex_);
    if (HRESULT hr = Usable(); FAILED(hr)) return hr;
    if (!Encoded()) wav_.StartSync();  // an encoded file is written at its end
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpStream::GetPieceFormat(PieceFormat* format)
try {
    if (!format) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (HRESULT hr = Usable(); FAILED(hr)) return hr;
    *format = Encoded() ? encoded_.NextPieceFormat() : PieceFormatOf(AudioContainer::Wav, format_, false);
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpStream::TakeChapterStarts(std::vector<ULONG>* starts)
try {
    if (!starts) return E_POINTER;
    std::lock_guard lock(mutex_);
    starts->swap(chapterStarts_);
    chapterStarts_.clear();
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpStream::StartChapter()
try {
    std::lock_guard lock(mutex_);
    if (HRESULT hr = Usable(); FAILED(hr)) return hr;
    if (!Encoded() || chapterTitles_.empty()) return S_FALSE;
    encoded_.StartChapter(std::move(chapterTitles_.front()));
    chapterTitles_.pop_front();
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpStream::SetContainer(LPCWSTR extension)
try {
    if (!extension) return E_INVALIDARG;
    std::optional<AudioContainer> container = ContainerForExtension(WideView(extension));
    if (!container) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    if (state_ != State::Unbound) return SPERR_ALREADY_INITIALIZED;
    container_ = container;
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpStream::SetTag(LPCWSTR name, LPCWSTR value)
try {
    if (!name || !value) return E_INVALIDARG;
    const std::u16string_view key = WideView(name);
    std::lock_guard lock(mutex_);
    std::string* tag = key == u"title" ? &tags_.title
                       : key == u"artist" ? &tags_.artist
                       : key == u"album"  ? &tags_.album
                       : key == u"track"  ? &tags_.track
                                          : nullptr;
    if (!tag) return E_INVALIDARG;
    *tag = Utf16ToUtf8(WideView(value));
    if (state_ == State::Bound && Encoded()) encoded_.SetTags(tags_);
    return container_ == AudioContainer::Wav ? S_FALSE : S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpStream::AddChapter(ULONG position, LPCWSTR title)
try {
    if (!title) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    if (!chapterStarts_.empty() && position < chapterStarts_.back()) return E_INVALIDARG;
    if (container_ == AudioContainer::Wav) return S_FALSE;
    chapterStarts_.push_back(position);
    chapterTitles_.push_back(Utf16ToUtf8(WideView(title)));
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpStream::GetFormat(GUID* formatId, WAVEFORMATEX** format)
try {
    if (!formatId || !format) return E_POINTER;
    *format = nullptr;
    *formatId = GUID_NULL;
    std::lock_guard lock(mutex_);
    if (state_ == State::Unbound) return SPERR_UNINITIALIZED;
    *format = CoTaskMemFormat(format_);
    if (!*format) return E_OUTOFMEMORY;
    *formatId = SPDFID_WaveFormatEx;
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpStream::BindToFile(LPCWSTR fileName, SPFILEMODE mode, const GUID* formatId, const WAVEFORMATEX* format,
                             ULONGLONG)
try {
    if (!fileName || !formatId) return E_INVALIDARG;
    if (mode != SPFM_CREATE_ALWAYS) return E_NOTIMPL;  // the engine only writes new files
    if (*formatId != SPDFID_WaveFormatEx || !format || !IsSupportedPcm(*format)) return E_INVALIDARG;
    std::string path;
    if (!ToOsPath(fileName, path)) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    if (state_ != State::Unbound) return SPERR_ALREADY_INITIALIZED;
    const AudioContainer container =
        container_.value_or(ContainerForFileName(WideView(fileName)).value_or(AudioContainer::Wav));
    if (container != AudioContainer::Wav && !CanEncode(container, *format)) return SPERR_UNSUPPORTED_FORMAT;
    HRESULT hr = container == AudioContainer::Wav ? wav_.Create(path, *format)
                                                  : encoded_.Create(path, *format, container);
    if (FAILED(hr)) return hr;
    container_ = container;
    if (Encoded()) encoded_.SetTags(tags_);
    format_ = *format;
    format_.cbSize = 0;
    folder_ = path.substr(0, path.rfind('/') + 1);
    state_ = State::Bound;
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpStream::Close()
try {
    std::lock_guard lock(mutex_);
    if (HRESULT hr = Usable(); FAILED(hr)) return hr;
    state_ = State::Closed;
    return FinishFile();
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition)
try {
    if (move.QuadPart != 0 || origin != STREAM_SEEK_CUR) return STG_E_INVALIDFUNCTION;  // written in order only
    std::lock_guard lock(mutex_);
    if (state_ == State::Unbound) return SPERR_UNINITIALIZED;
    if (newPosition) newPosition->QuadPart = Encoded() ? encoded_.DataBytes() : wav_.DataBytes();
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpStream::CreateScratchFile(int* fd)
try {
    if (!fd) return E_POINTER;
    *fd = -1;
    std::string folder;
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::Bound) return SPERR_UNINITIALIZED;
        folder = folder_;
    }
    return CreateScratchFileIn(folder, fd);
} catch (...) {
    return HresultFromCaughtException();
}

}  // namespace speech
