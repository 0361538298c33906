// Helpers shared by the engine's tests: COM set-up, streams that keep what the
// voice writes, sample measures.
#pragma once

#include "wave_format.h"

#include <atlbase.h>
#include <varnel/com_object.h>
#include <varnel/speech_classes.h>
#include <objbase.h>
#include <sapi.h>
#include <winuser.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace speech_test {

// COM on the test's thread, with the engine's classes registered as a program does.
class ComTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        RegisterSpeechClasses();
    }
    void TearDown() override { CoUninitialize(); }
};

// An output stream that keeps the bytes it receives, in a format of the test's choice.
class MemoryStream final : public ComObject<ISpStreamFormat> {
public:
    explicit MemoryStream(WAVEFORMATEX format = speech::NativeFormat()) : format_(format) {}

    STDMETHOD(Write)(const void* data, ULONG bytes, ULONG* written) override
    {
        std::unique_lock lock(mutex_);
        ++writes_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return !held_; });  // a test may hold writes back
        const auto* from = static_cast<const std::uint8_t*>(data);
        bytes_.insert(bytes_.end(), from, from + bytes);
        if (written) *written = bytes;
        return failWith_;
    }
    STDMETHOD(GetFormat)(GUID* formatId, WAVEFORMATEX** format) override
    {
        *formatId = SPDFID_WaveFormatEx;
        *format = speech::CoTaskMemFormat(format_);
        return S_OK;
    }

    std::vector<std::uint8_t> Bytes()
    {
        std::lock_guard lock(mutex_);
        return bytes_;
    }
    std::vector<std::int16_t> Samples()
    {
        std::lock_guard lock(mutex_);
        std::vector<std::int16_t> samples(bytes_.size() / 2);
        std::memcpy(samples.data(), bytes_.data(), samples.size() * 2);
        return samples;
    }
    void Clear()
    {
        std::lock_guard lock(mutex_);
        bytes_.clear();
    }
    void Hold(bool held)
    {
        {
            std::lock_guard lock(mutex_);
            held_ = held;
        }
        changed_.notify_all();
    }
    // Waits until at least `count` writes have begun.
    bool WaitForWrites(unsigned count)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return writes_ >= count; });
    }
    unsigned Writes()
    {
        std::lock_guard lock(mutex_);
        return writes_;
    }
    void FailWith(HRESULT hr)
    {
        std::lock_guard lock(mutex_);
        failWith_ = hr;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    WAVEFORMATEX format_;
    std::vector<std::uint8_t> bytes_;
    unsigned writes_ = 0;
    bool held_ = false;
    HRESULT failWith_ = S_OK;
};

inline CComPtr<MemoryStream> NewMemoryStream(WAVEFORMATEX format = speech::NativeFormat())
{
    CComPtr<MemoryStream> stream;
    stream.Attach(NewComObject<MemoryStream>(format));
    return stream;
}

inline CComPtr<ISpVoice> NewVoice()
{
    CComPtr<ISpVoice> voice;
    EXPECT_EQ(voice.CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL), S_OK);
    return voice;
}

// A voice with the token whose identifier ends in `suffix` (failing the test when
// no such voice is installed).
inline CComPtr<ISpVoice> NewVoiceWithId(std::u16string_view suffix)
{
    CComPtr<ISpVoice> voice = NewVoice();
    CComPtr<ISpObjectTokenCategory> category;
    EXPECT_EQ(category.CoCreateInstance(CLSID_SpObjectTokenCategory), S_OK);
    EXPECT_EQ(category->SetId(SPCAT_VOICES, FALSE), S_OK);
    CComPtr<IEnumSpObjectTokens> tokens;
    EXPECT_EQ(category->EnumTokens(nullptr, nullptr, &tokens), S_OK);
    for (CComPtr<ISpObjectToken> token; tokens && tokens->Next(1, &token, nullptr) == S_OK; token.Release()) {
        LPWSTR id = nullptr;
        if (SUCCEEDED(token->GetId(&id)) && std::u16string_view(id).ends_with(suffix)) {
            CoTaskMemFree(id);
            EXPECT_EQ(voice->SetVoice(token), S_OK);
            return voice;
        }
        CoTaskMemFree(id);
    }
    ADD_FAILURE() << "no installed voice's identifier ends in " << std::string(suffix.begin(), suffix.end());
    return voice;
}

// A voice speaking with espeak-ng's British English: for tests of the engine around
// the synthesizer, which flite's voices (English's first) would make slow.
inline CComPtr<ISpVoice> NewQuickVoice() { return NewVoiceWithId(u"\\gmw/en"); }

inline CComPtr<ISpObjectToken> VoiceToken(ULONG index)
{
    CComPtr<ISpObjectTokenCategory> category;
    EXPECT_EQ(category.CoCreateInstance(CLSID_SpObjectTokenCategory), S_OK);
    EXPECT_EQ(category->SetId(SPCAT_VOICES, FALSE), S_OK);
    CComPtr<IEnumSpObjectTokens> tokens;
    EXPECT_EQ(category->EnumTokens(nullptr, nullptr, &tokens), S_OK);
    CComPtr<ISpObjectToken> token;
    EXPECT_EQ(tokens->Item(index, &token), S_OK);
    return token;
}

// Speaks text synchronously into memory in the native format.
inline std::vector<std::int16_t> Render(ISpVoice* voice, const char16_t* text, DWORD flags = SPF_IS_NOT_XML)
{
    auto stream = NewMemoryStream();
    EXPECT_EQ(voice->SetOutput(static_cast<ISpStreamFormat*>(stream), TRUE), S_OK);
    EXPECT_EQ(voice->Speak(text, flags, nullptr), S_OK);
    EXPECT_EQ(voice->SetOutput(nullptr, FALSE), S_OK);
    return stream->Samples();
}

// The converter's sequence: the voice's output format, a WAV stream bound in it,
// an async Speak, WaitUntilDone, the stream released, the old output set again.
inline HRESULT RenderToWav(ISpVoice* voice, const std::string& path, const char16_t* text)
{
    CComPtr<ISpStreamFormat> previous;
    EXPECT_EQ(voice->GetOutputStream(&previous), S_OK);
    GUID formatId;
    WAVEFORMATEX* format = nullptr;
    EXPECT_EQ(previous->GetFormat(&formatId, &format), S_OK);
    CComPtr<ISpStream> wav;
    EXPECT_EQ(wav.CoCreateInstance(CLSID_SpStream), S_OK);
    std::u16string name(path.begin(), path.end());
    EXPECT_EQ(wav->BindToFile(name.c_str(), SPFM_CREATE_ALWAYS, &formatId, format, SPFEI_ALL_EVENTS), S_OK);
    CoTaskMemFree(format);
    EXPECT_EQ(voice->SetOutput(wav, TRUE), S_OK);
    EXPECT_EQ(voice->Speak(text, SPF_ASYNC | SPF_IS_NOT_XML, nullptr), S_OK);
    HRESULT done = voice->WaitUntilDone(INFINITE);
    wav.Release();
    EXPECT_EQ(voice->SetOutput(previous, FALSE), S_OK);  // the voice's reference was the last one
    return done;
}

inline int Peak(const std::vector<std::int16_t>& samples, std::size_t from = 0, std::size_t to = SIZE_MAX)
{
    int peak = 0;
    for (std::size_t i = from; i < std::min(to, samples.size()); ++i) peak = std::max(peak, std::abs(int{samples[i]}));
    return peak;
}

inline constexpr char16_t kSentence[] = u"The quick brown fox jumps over the lazy dog.";

// A message-only window of the calling thread that a voice can post its notices
// to; the test takes them with GetMessageA.
class NoticeWindow {
public:
    NoticeWindow()
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "SpeechTestNotices";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, "SpeechTestNotices", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }
    ~NoticeWindow()
    {
        DestroyWindow(window_);
        UnregisterClassA("SpeechTestNotices", nullptr);
    }
    NoticeWindow(const NoticeWindow&) = delete;
    NoticeWindow& operator=(const NoticeWindow&) = delete;

    HWND handle() const { return window_; }
    // Waits for the next message posted to the window.
    MSG Next()
    {
        MSG message{};
        if (GetMessageA(&message, window_, 0, 0) <= 0) ADD_FAILURE() << "no message could be taken";
        return message;
    }

private:
    HWND window_ = nullptr;
};

}  // namespace speech_test
