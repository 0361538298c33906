#include "sp_voice.h"

#include "object_token.h"
#include "sp_mm_audio_out.h"
#include "wave_format.h"
#include "wide_text.h"

#include <varnel/debug_channel.h>

#include <algorithm>

namespace speech {
namespace {

constexpr DWORD kKnownSpeakFlags = SPF_ASYNC | SPF_PURGEBEFORESPEAK | SPF_IS_FILENAME | SPF_IS_XML | SPF_IS_NOT_XML;
// A pause waits for the next word boundary when one is heard within this.
constexpr ULONG kPauseAtWordWithinMs = 50;

// The output's format, when the engine can render in it.
HRESULT OutputFormat(ISpStreamFormat* output, WAVEFORMATEX& format)
{
    GUID formatId = GUID_NULL;
    WAVEFORMATEX* block = nullptr;
    HRESULT hr = output->GetFormat(&formatId, &block);
    if (FAILED(hr)) return hr;
    bool usable = formatId == SPDFID_WaveFormatEx && block && IsSupportedPcm(*block);
    if (usable) format = *block;
    CoTaskMemFree(block);
    return usable ? S_OK : SPERR_UNSUPPORTED_FORMAT;
}

}  // namespace

SpVoice::SpVoice()
{
    if (const VoiceInfo* voice = VoiceCatalog::Instance().DefaultVoice()) voice_ = *voice;
    defaultOutput_.Attach(NewComObject<SpMMAudioOut>());
    output_ = defaultOutput_;
    format_ = NativeFormat();
    if (output_) output_.QueryInterface(&device_);
}

HRESULT SpVoice::SetNotifyWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
try {
    const WindowNotice notice{window, message, wParam, lParam};
    queue_.SetNotice(notice);
    events_.SetNotice(notice);
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpVoice::SetInterest(ULONGLONG eventInterest, ULONGLONG queuedInterest)
try {
    return events_.SetInterest(eventInterest, queuedInterest);
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpVoice::GetEvents(ULONG count, SPEVENT* events, ULONG* fetched)
try {
    return events_.GetEvents(count, events, fetched);
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpVoice::GetInfo(SPEVENTSOURCEINFO* info) { return events_.GetInfo(info); }

HRESULT SpVoice::Pause()
try {
    std::lock_guard pauses(pauseMutex_);
    VARNEL_TRACE(Speech, "Pause: %lu pauses before", static_cast<unsigned long>(pauseCount_));
    if (pauseCount_++ > 0) return S_OK;
    queue_.SetPaused(true);  // nothing more is written, and no request starts
    CComPtr<IEngineAudioDevice> device;
    {
        std::lock_guard lock(mutex_);
        device = device_;
    }
    if (device) {
        const ULONGLONG window = ULONGLONG{NativeFormat().nAvgBytesPerSec} * kPauseAtWordWithinMs / 1000;
        events_.PauseAtNextWord(device, window, [device] { device->Pause(); });
    }
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpVoice::Resume()
try {
    std::lock_guard pauses(pauseMutex_);
    VARNEL_TRACE(Speech, "Resume: %lu pauses before", static_cast<unsigned long>(pauseCount_));
    if (pauseCount_ == 0 || --pauseCount_ > 0) return S_OK;
    events_.CancelPause();
    CComPtr<IEngineAudioDevice> device;
    {
        std::lock_guard lock(mutex_);
        device = device_;
    }
    if (device) device->Resume();
    queue_.SetPaused(false);
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpVoice::SetOutput(IUnknown* output, BOOL)
try {
    CComPtr<ISpStreamFormat> stream;
    if (!output) {
        stream = defaultOutput_;
        if (!stream) return E_OUTOFMEMORY;
    } else if (FAILED(output->QueryInterface(IID_ISpStreamFormat, reinterpret_cast<void**>(&stream)))) {
        return E_INVALIDARG;
    }
    WAVEFORMATEX format{};
    if (HRESULT hr = OutputFormat(stream, format); FAILED(hr)) return hr;
    CComPtr<IEngineAudioDevice> device;
    stream.QueryInterface(&device);
    std::lock_guard lock(mutex_);
    output_ = stream;
    format_ = format;
    device_ = device;
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpVoice::GetOutputStream(ISpStreamFormat** stream)
try {
    if (!stream) return E_POINTER;
    std::lock_guard lock(mutex_);
    *stream = output_;
    if (!*stream) return SPERR_UNINITIALIZED;
    (*stream)->AddRef();
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpVoice::SetVoice(ISpObjectToken* token)
try {
    const VoiceCatalog& catalog = VoiceCatalog::Instance();
    const VoiceInfo* chosen = catalog.DefaultVoice();
    if (token) {
        LPWSTR id = nullptr;
        HRESULT hr = token->GetId(&id);
        if (FAILED(hr)) return hr;
        chosen = catalog.FindByTokenId(WideView(id));
        CoTaskMemFree(id);
        if (!chosen) return E_INVALIDARG;  // not a voice of this engine
    }
    if (!chosen) return SPERR_NOT_FOUND;
    std::lock_guard lock(mutex_);
    voice_ = *chosen;
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpVoice::GetVoice(ISpObjectToken** token)
try {
    if (!token) return E_POINTER;
    *token = nullptr;
    std::lock_guard lock(mutex_);
    if (!voice_) return SPERR_NOT_FOUND;
    *token = ObjectToken::Create(*voice_);
    return *token ? S_OK : E_OUTOFMEMORY;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpVoice::Speak(LPCWSTR text, DWORD flags, ULONG* streamNumber)
try {
    if (streamNumber) *streamNumber = 0;
    VARNEL_TRACE(Speech, "Speak flags 0x%lX, %zu characters", static_cast<unsigned long>(flags), WideView(text).size());
    if (flags & ~kKnownSpeakFlags) return SPERR_INVALID_FLAGS;
    if ((flags & SPF_IS_XML) && (flags & SPF_IS_NOT_XML)) return E_INVALIDARG;
    if (flags & SPF_IS_FILENAME) return E_NOTIMPL;  // the programs hand over text only

    std::u16string_view content = WideView(text);
    bool markup = !(flags & SPF_IS_NOT_XML) && ((flags & SPF_IS_XML) || LooksLikeMarkup(content));
    SpeakRequest request;
    request.pieces = markup ? ParseMarkup(content) : PlainText(content);

    if (flags & SPF_PURGEBEFORESPEAK) Purge();
    {
        std::lock_guard lock(mutex_);
        request.output = output_;
        request.format = format_;
        request.device = device_;
        if (voice_) request.settings.voice = voice_->identifier;
        request.settings.rate = rate_;
        request.settings.volume = volume_;
    }
    if (!request.pieces.empty()) {
        if (!Synthesizer::Instance().Available() || request.settings.voice.empty()) return SPERR_ENGINE_FAILED;
        if (!request.output) return SPERR_UNINITIALIZED;
        // Without a sound server the call fails now rather than the request later.
        if (request.device)
            if (HRESULT hr = request.device->Open(); FAILED(hr)) return hr;
    }
    ULONG number = ++lastStreamNumber_;
    if (streamNumber) *streamNumber = number;
    bool waits = !(flags & SPF_ASYNC);
    request.state->callerWaits = waits;
    request.state->streamNumber = number;
    VARNEL_TRACE(Speech, "Speak: stream %lu queued, %s", static_cast<unsigned long>(number),
                 waits ? "waiting" : "asynchronous");
    auto state = queue_.Submit(std::move(request));
    return waits ? queue_.WaitFor(state) : S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

void SpVoice::Purge()
{
    std::lock_guard pauses(pauseMutex_);
    VARNEL_TRACE(Speech, "purge");
    events_.DropUnheard();
    if (pauseCount_ > 0) {
        pauseCount_ = 0;
        CComPtr<IEngineAudioDevice> device;
        {
            std::lock_guard lock(mutex_);
            device = device_;
        }
        // What the pause held is dropped before the device plays again.
        if (device) {
            device->Discard();
            device->Resume();
        }
    }
    queue_.Purge();
}

HRESULT SpVoice::SetRate(LONG rate)
try {
    if (rate < SPMIN_RATE || rate > SPMAX_RATE) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    rate_ = rate;
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpVoice::GetRate(LONG* rate)
try {
    if (!rate) return E_POINTER;
    std::lock_guard lock(mutex_);
    *rate = rate_;
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpVoice::SetVolume(USHORT volume)
try {
    if (volume > SPMAX_VOLUME) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    volume_ = volume;
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpVoice::GetVolume(USHORT* volume)
try {
    if (!volume) return E_POINTER;
    std::lock_guard lock(mutex_);
    *volume = volume_;
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpVoice::WaitUntilDone(ULONG timeoutMs)
try {
    if (!queue_.WaitUntilIdle(timeoutMs)) return S_FALSE;
    return queue_.TakeFailure();
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpVoice::GetStatus(SPVOICESTATUS* status, LPWSTR* bookmark)
try {
    if (bookmark) *bookmark = nullptr;
    if (!status) return E_POINTER;
    QueueStatus queue = queue_.Status();
    *status = SPVOICESTATUS{};
    status->ulCurrentStream = queue.currentStream;
    status->ulLastStreamQueued = lastStreamNumber_.load();
    status->hrLastResult = queue.lastResult;
    status->dwRunningState = queue.speaking ? SPRS_IS_SPEAKING : SPRS_DONE;
    const HeardEvents heard = events_.Heard();
    status->ulInputWordPos = std::max<ULONG>(heard.wordPosition, queue.inputPosition);
    status->ulInputWordLen = heard.wordLength;
    status->ulInputSentPos = heard.sentencePosition;
    status->ulInputSentLen = heard.sentenceLength;
    status->lBookmarkId = heard.bookmarkId;
    if (bookmark) {
        *bookmark = CoTaskMemString(heard.bookmark);
        if (!*bookmark) return E_OUTOFMEMORY;
    }
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

}  // namespace speech
