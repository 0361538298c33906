#include "voice_events.h"

#include "wave_format.h"
#include "wide_text.h"

#include <winuser.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace speech {
namespace {

// How often the delivery thread looks at the device at the most: events come
// within this of their sound.
constexpr std::chrono::milliseconds kLongestStep{10};

ULONGLONG Bit(SPEVENTENUM id) { return 1ull << id; }

bool IsInterest(ULONGLONG interest) { return !interest || (interest & SPFEI_FLAGCHECK) == SPFEI_FLAGCHECK; }

// How long the device takes to play `bytes` more.
std::chrono::milliseconds PlayingTime(ULONGLONG bytes)
{
    return std::chrono::milliseconds(bytes * 1000 / NativeFormat().nAvgBytesPerSec);
}

}  // namespace

void WindowNotice::Post() const
{
    if (window) PostMessageA(window, message, wParam, lParam);
}

VoiceEvents::~VoiceEvents()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (delivery_.joinable()) delivery_.join();
}

HRESULT VoiceEvents::SetInterest(ULONGLONG eventInterest, ULONGLONG queuedInterest)
{
    if (!IsInterest(eventInterest) || !IsInterest(queuedInterest) || (queuedInterest & ~eventInterest))
        return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    eventInterest_ = eventInterest;
    queuedInterest_ = queuedInterest;
    return S_OK;
}

bool VoiceEvents::Interested()
{
    std::lock_guard lock(mutex_);
    return eventInterest_ != 0;
}

HRESULT VoiceEvents::GetEvents(ULONG count, SPEVENT* events, ULONG* fetched)
{
    if (!events || (!fetched && count != 1)) return E_POINTER;
    std::lock_guard lock(mutex_);
    ULONG taken = 0;
    for (; taken < count && !queue_.empty(); ++taken) {
        VoiceEvent& event = queue_.front();
        SPEVENT& out = events[taken];
        out = SPEVENT{};
        out.eEventId = event.id;
        out.ulStreamNum = event.stream;
        out.ullAudioStreamOffset = event.offset;
        out.wParam = event.wParam;
        out.lParam = event.lParam;
        if (event.id == SPEI_TTS_BOOKMARK) {
            LPWSTR name = CoTaskMemString(event.bookmark);
            if (!name) break;  // it stays queued
            out.elParamType = SPET_LPARAM_IS_STRING;
            out.lParam = reinterpret_cast<LPARAM>(name);
        }
        queue_.pop_front();
    }
    if (fetched) *fetched = taken;
    if (taken < count && !queue_.empty()) return E_OUTOFMEMORY;
    return taken == count ? S_OK : S_FALSE;
}

HRESULT VoiceEvents::GetInfo(SPEVENTSOURCEINFO* info)
{
    if (!info) return E_POINTER;
    std::lock_guard lock(mutex_);
    info->ullEventInterest = eventInterest_;
    info->ullQueuedInterest = queuedInterest_;
    info->ulCount = static_cast<ULONG>(queue_.size());
    return S_OK;
}

void VoiceEvents::SetNotice(const WindowNotice& notice)
{
    std::lock_guard lock(mutex_);
    notice_ = notice;
}

HeardEvents VoiceEvents::Heard()
{
    std::lock_guard lock(mutex_);
    return heard_;
}

void VoiceEvents::Reach(VoiceEvent event)
{
    switch (event.id) {
    case SPEI_START_INPUT_STREAM: heard_ = HeardEvents{}; break;
    case SPEI_WORD_BOUNDARY:
        heard_.wordPosition = static_cast<ULONG>(event.lParam);
        heard_.wordLength = static_cast<ULONG>(event.wParam);
        break;
    case SPEI_SENTENCE_BOUNDARY:
        heard_.sentencePosition = static_cast<ULONG>(event.lParam);
        heard_.sentenceLength = static_cast<ULONG>(event.wParam);
        break;
    case SPEI_TTS_BOOKMARK:
        heard_.bookmarkId = static_cast<LONG>(event.wParam);
        heard_.bookmark = event.bookmark;
        break;
    default: break;
    }
    const bool notify = (eventInterest_ & Bit(event.id)) != 0;
    if (queuedInterest_ & Bit(event.id)) queue_.push_back(std::move(event));
    if (notify) notice_.Post();
}

void VoiceEvents::Add(VoiceEvent event, IEngineAudioDevice* device, ULONGLONG at)
{
    std::lock_guard lock(mutex_);
    if (!device) {
        Reach(std::move(event));
        return;
    }
    if (device_ != device) device_ = device;
    scheduled_.push_back({std::move(event), at});
    StartDelivery();
    changed_.notify_all();
}

void VoiceEvents::DropUnheard()
{
    std::lock_guard lock(mutex_);
    scheduled_.clear();
    pause_ = nullptr;
}

void VoiceEvents::ReachAll()
{
    std::lock_guard lock(mutex_);
    for (; !scheduled_.empty(); scheduled_.pop_front()) Reach(std::move(scheduled_.front().event));
}

void VoiceEvents::PauseAtNextWord(IEngineAudioDevice* device, ULONGLONG window, std::function<void()> pause)
{
    {
        std::lock_guard lock(mutex_);
        auto word = std::find_if(scheduled_.begin(), scheduled_.end(),
                                 [](const Scheduled& s) { return s.event.id == SPEI_WORD_BOUNDARY; });
        ULONGLONG written = 0, heard = 0;
        if (word != scheduled_.end() && device == device_ && SUCCEEDED(device->GetPosition(&written, &heard))
            && word->at <= heard + window) {
            pause_ = std::move(pause);
            pauseAt_ = word->at;
            StartDelivery();
            changed_.notify_all();
            return;
        }
        pause_ = nullptr;
    }
    pause();
}

void VoiceEvents::CancelPause()
{
    std::lock_guard lock(mutex_);
    pause_ = nullptr;
}

void VoiceEvents::StartDelivery()
{
    if (!delivery_.joinable()) delivery_ = std::thread([this] { Deliver(); });
}

void VoiceEvents::Deliver()
{
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (scheduled_.empty() && !pause_) {
            changed_.wait(lock);
            continue;
        }
        CComPtr<IEngineAudioDevice> device = device_;
        ULONGLONG written = 0, heard = 0;
        lock.unlock();
        device->GetPosition(&written, &heard);
        lock.lock();
        while (!scheduled_.empty() && scheduled_.front().at <= heard) {
            Reach(std::move(scheduled_.front().event));
            scheduled_.pop_front();
        }
        if (pause_ && pauseAt_ <= heard) {
            std::function<void()> pause = std::exchange(pause_, nullptr);
            lock.unlock();
            pause();
            lock.lock();
            continue;
        }
        ULONGLONG next = ~0ull;
        if (!scheduled_.empty()) next = scheduled_.front().at;
        if (pause_) next = std::min(next, pauseAt_);
        if (next == ~0ull) continue;
        const auto due = PlayingTime(next - std::min(next, heard));
        changed_.wait_for(lock, std::clamp(due, std::chrono::milliseconds(1), kLongestStep));
    }
}

}  // namespace speech
