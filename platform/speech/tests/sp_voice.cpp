#include "sp_voice.h"

#include "speech_test_support.h"
#include "pulse_call_log.h"
#include "pulse_calls.h"
#include "voice_catalog.h"

#include <scratch_dir.h>
#include <varnel/syscalls.h>
#include <winbase.h>

#include <atomic>
#include <cerrno>
#include <filesystem>

#include <thread>

namespace speech {
namespace {

using namespace speech_test;

class SpVoiceTest : public ComTest {};

TEST_F(SpVoiceTest, RateAndVolumeKeepTheirRangeAndTheOldValue)
{
    auto voice = NewVoice();
    LONG rate = 99;
    USHORT volume = 0;
    EXPECT_EQ(voice->GetRate(&rate), S_OK);
    EXPECT_EQ(rate, 0);
    EXPECT_EQ(voice->GetVolume(&volume), S_OK);
    EXPECT_EQ(volume, 100);
    EXPECT_EQ(voice->SetRate(-10), S_OK);
    EXPECT_EQ(voice->SetRate(10), S_OK);
    EXPECT_EQ(voice->SetRate(11), E_INVALIDARG);
    EXPECT_EQ(voice->SetRate(-11), E_INVALIDARG);
    voice->GetRate(&rate);
    EXPECT_EQ(rate, 10);
    EXPECT_EQ(voice->SetVolume(0), S_OK);
    EXPECT_EQ(voice->SetVolume(101), E_INVALIDARG);
    EXPECT_EQ(voice->SetVolume(0xFFFF), E_INVALIDARG);
    voice->GetVolume(&volume);
    EXPECT_EQ(volume, 0);
    EXPECT_EQ(voice->GetRate(nullptr), E_POINTER);
}

TEST_F(SpVoiceTest, ANewVoiceSpeaksToTheDefaultAudioOutput)
{
    auto voice = NewVoice();
    CComPtr<ISpStreamFormat> output;
    ASSERT_EQ(voice->GetOutputStream(&output), S_OK);
    GUID id;
    WAVEFORMATEX* format = nullptr;
    ASSERT_EQ(output->GetFormat(&id, &format), S_OK);
    EXPECT_EQ(id, SPDFID_WaveFormatEx);
    EXPECT_EQ(format->nSamplesPerSec, 22050u);
    EXPECT_EQ(format->wBitsPerSample, 16);
    EXPECT_EQ(format->nChannels, 1);
    CoTaskMemFree(format);
    // Back to the default after another output: the same object.
    auto memory = NewMemoryStream();
    ASSERT_EQ(voice->SetOutput(static_cast<ISpStreamFormat*>(memory), TRUE), S_OK);
    CComPtr<ISpStreamFormat> current;
    voice->GetOutputStream(&current);
    EXPECT_EQ(static_cast<ISpStreamFormat*>(current), static_cast<ISpStreamFormat*>(memory));
    ASSERT_EQ(voice->SetOutput(output, FALSE), S_OK);
    current.Release();
    voice->GetOutputStream(&current);
    EXPECT_EQ(current, output);
}

TEST_F(SpVoiceTest, OutputsTheEngineCannotRenderInAreRefused)
{
    auto voice = NewVoice();
    WAVEFORMATEX odd = NativeFormat();
    odd.wBitsPerSample = 12;
    auto stream = NewMemoryStream(odd);
    EXPECT_EQ(voice->SetOutput(static_cast<ISpStreamFormat*>(stream), TRUE), SPERR_UNSUPPORTED_FORMAT);
    CComPtr<ISpStream> unbound;
    unbound.CoCreateInstance(CLSID_SpStream);
    EXPECT_EQ(voice->SetOutput(unbound, TRUE), SPERR_UNINITIALIZED);
    CComPtr<ISpObjectTokenCategory> notAStream;
    notAStream.CoCreateInstance(CLSID_SpObjectTokenCategory);
    EXPECT_EQ(voice->SetOutput(notAStream, TRUE), E_INVALIDARG);
}

TEST_F(SpVoiceTest, SameInputGivesIdenticalAudio)
{
    auto voice = NewVoice();
    auto first = Render(voice, kSentence);
    auto second = Render(NewVoice(), kSentence);
    ASSERT_GT(first.size(), 22050u / 2);
    EXPECT_EQ(first, second);
}

TEST_F(SpVoiceTest, RateChangesTheLength)
{
    auto voice = NewVoice();
    voice->SetRate(5);
    auto fast = Render(voice, kSentence);
    voice->SetRate(-5);
    auto slow = Render(voice, kSentence);
    EXPECT_LT(fast.size() * 1.5, slow.size());
}

TEST_F(SpVoiceTest, VolumeIsALinearGain)
{
    auto voice = NewVoice();
    auto full = Render(voice, kSentence);
    voice->SetVolume(50);
    auto half = Render(voice, kSentence);
    voice->SetVolume(0);
    auto none = Render(voice, kSentence);
    ASSERT_EQ(full.size(), half.size());
    EXPECT_NEAR(double(Peak(half)) / Peak(full), 0.5, 0.01);
    for (std::size_t i = 0; i < full.size(); ++i) ASSERT_EQ(half[i], full[i] / 2) << i;
    EXPECT_EQ(none.size(), full.size());
    EXPECT_EQ(Peak(none), 0);
}

TEST_F(SpVoiceTest, DifferentVoicesSoundDifferent)
{
    auto voice = NewVoice();
    auto first = Render(voice, kSentence);
    ASSERT_EQ(voice->SetVoice(VoiceToken(1)), S_OK);
    auto second = Render(voice, kSentence);
    EXPECT_NE(first, second);
    ASSERT_EQ(voice->SetVoice(nullptr), S_OK);  // back to the default voice
    EXPECT_EQ(Render(voice, kSentence), first);
}

TEST_F(SpVoiceTest, GetVoiceGivesTheChosenToken)
{
    auto voice = NewVoice();
    CComPtr<ISpObjectToken> token;
    ASSERT_EQ(voice->GetVoice(&token), S_OK);
    LPWSTR id = nullptr;
    token->GetId(&id);
    EXPECT_EQ(std::u16string(id), VoiceCatalog::Instance().voices().front().tokenId);
    CoTaskMemFree(id);
    auto last = VoiceToken(static_cast<ULONG>(VoiceCatalog::Instance().voices().size() - 1));
    ASSERT_EQ(voice->SetVoice(last), S_OK);
    token.Release();
    voice->GetVoice(&token);
    token->GetId(&id);
    EXPECT_EQ(std::u16string(id), VoiceCatalog::Instance().voices().back().tokenId);
    CoTaskMemFree(id);
}

// The voice's audio in 44.1 kHz stereo lasts as long as in the native format.
void ExpectCdFormatKeepsTheDuration(ISpVoice* voice)
{
    auto native = Render(voice, kSentence);
    WAVEFORMATEX cd{};
    cd.wFormatTag = WAVE_FORMAT_PCM;
    cd.nChannels = 2;
    cd.nSamplesPerSec = 44100;
    cd.wBitsPerSample = 16;
    cd.nBlockAlign = 4;
    cd.nAvgBytesPerSec = 44100 * 4;
    auto stream = NewMemoryStream(cd);
    ASSERT_EQ(voice->SetOutput(static_cast<ISpStreamFormat*>(stream), TRUE), S_OK);
    ASSERT_EQ(voice->Speak(kSentence, SPF_IS_NOT_XML, nullptr), S_OK);
    EXPECT_NEAR(double(stream->Bytes().size()) / 4, native.size() * 2.0, 2.0);
}

TEST_F(SpVoiceTest, WaveFilesInOtherFormatsKeepTheDuration)
{
    auto voice = NewVoice();
    ExpectCdFormatKeepsTheDuration(voice);
}

TEST_F(SpVoiceTest, EmptyAndNullTextAreEmptyRequests)
{
    auto voice = NewVoice();
    auto stream = NewMemoryStream();
    voice->SetOutput(static_cast<ISpStreamFormat*>(stream), TRUE);
    ULONG first = 0, second = 0;
    EXPECT_EQ(voice->Speak(nullptr, SPF_ASYNC | SPF_IS_NOT_XML, &first), S_OK);
    EXPECT_EQ(voice->Speak(u"", SPF_DEFAULT, &second), S_OK);
    EXPECT_EQ(voice->WaitUntilDone(INFINITE), S_OK);
    EXPECT_EQ(stream->Writes(), 0u);
    EXPECT_GT(first, 0u);
    EXPECT_EQ(second, first + 1);  // every request has a stream number of its own
}

TEST_F(SpVoiceTest, BadFlagsAreRefused)
{
    auto voice = NewVoice();
    EXPECT_EQ(voice->Speak(u"x", 0x10000, nullptr), SPERR_INVALID_FLAGS);
    EXPECT_EQ(voice->Speak(u"x", SPF_IS_XML | SPF_IS_NOT_XML, nullptr), E_INVALIDARG);
}

TEST_F(SpVoiceTest, AsyncRequestsAreRenderedInCallingOrder)
{
    auto voice = NewVoice();
    auto one = Render(voice, u"First.");
    auto two = Render(voice, u"Second request.");
    auto three = Render(voice, u"Third.");
    auto stream = NewMemoryStream();
    voice->SetOutput(static_cast<ISpStreamFormat*>(stream), TRUE);
    stream->Hold(true);  // nothing can be spoken until the calls have returned
    for (const char16_t* text : {u"First.", u"Second request.", u"Third."})
        ASSERT_EQ(voice->Speak(text, SPF_ASYNC | SPF_IS_NOT_XML, nullptr), S_OK);
    EXPECT_EQ(voice->WaitUntilDone(0), S_FALSE);  // queued, not spoken
    EXPECT_TRUE(stream->Bytes().empty());
    stream->Hold(false);
    ASSERT_EQ(voice->WaitUntilDone(INFINITE), S_OK);
    std::vector<std::int16_t> expected = one;
    expected.insert(expected.end(), two.begin(), two.end());
    expected.insert(expected.end(), three.begin(), three.end());
    EXPECT_EQ(stream->Samples(), expected);
}

TEST_F(SpVoiceTest, WaitUntilDoneTimesOutWhileSpeaking)
{
    auto voice = NewVoice();
    auto stream = NewMemoryStream();
    voice->SetOutput(static_cast<ISpStreamFormat*>(stream), TRUE);
    stream->Hold(true);
    ASSERT_EQ(voice->Speak(kSentence, SPF_ASYNC, nullptr), S_OK);
    ASSERT_TRUE(stream->WaitForWrites(1));
    EXPECT_EQ(voice->WaitUntilDone(20), S_FALSE);
    stream->Hold(false);
    EXPECT_EQ(voice->WaitUntilDone(INFINITE), S_OK);
}

TEST_F(SpVoiceTest, GetStatusTellsWhatIsBeingSpokenAndHowTheLastRequestEnded)
{
    auto voice = NewVoice();
    auto stream = NewMemoryStream();
    voice->SetOutput(static_cast<ISpStreamFormat*>(stream), TRUE);
    SPVOICESTATUS status{};
    EXPECT_EQ(voice->GetStatus(nullptr, nullptr), E_POINTER);
    ASSERT_EQ(voice->GetStatus(&status, nullptr), S_OK);
    EXPECT_EQ(status.dwRunningState, SPRS_DONE);
    EXPECT_EQ(status.ulCurrentStream, 0u);

    stream->Hold(true);
    ULONG first = 0, second = 0;
    ASSERT_EQ(voice->Speak(kSentence, SPF_ASYNC, &first), S_OK);
    ASSERT_EQ(voice->Speak(u"Next.", SPF_ASYNC, &second), S_OK);
    ASSERT_TRUE(stream->WaitForWrites(1));
    LPWSTR bookmark = nullptr;
    ASSERT_EQ(voice->GetStatus(&status, &bookmark), S_OK);
    EXPECT_EQ(status.dwRunningState, SPRS_IS_SPEAKING);
    EXPECT_EQ(status.ulCurrentStream, first);
    EXPECT_EQ(status.ulLastStreamQueued, second);
    ASSERT_NE(bookmark, nullptr);
    EXPECT_EQ(bookmark[0], u'\0');
    CoTaskMemFree(bookmark);

    stream->FailWith(E_ACCESSDENIED);
    stream->Hold(false);
    EXPECT_EQ(voice->WaitUntilDone(INFINITE), E_ACCESSDENIED);
    ASSERT_EQ(voice->GetStatus(&status, nullptr), S_OK);
    EXPECT_EQ(status.dwRunningState, SPRS_DONE);
    EXPECT_EQ(status.hrLastResult, E_ACCESSDENIED);
}

// One notice per ended request, posted after the status tells its result; the
// message and parameters are the caller's, a null window stops the notices.
TEST_F(SpVoiceTest, EachEndedRequestIsPostedToTheNotifyWindow)
{
    NoticeWindow window;
    auto voice = NewVoice();
    auto stream = NewMemoryStream();
    voice->SetOutput(static_cast<ISpStreamFormat*>(stream), TRUE);
    CComPtr<ISpNotifySource> source;
    ASSERT_EQ(voice.QueryInterface(&source), S_OK);
    ASSERT_EQ(source->SetNotifyWindowMessage(window.handle(), WM_APP + 3, 1, 42), S_OK);
    ASSERT_EQ(voice->Speak(u"First.", SPF_DEFAULT, nullptr), S_OK);
    ASSERT_EQ(voice->SetNotifyWindowMessage(nullptr, 0, 0, 0), S_OK);
    ASSERT_EQ(voice->Speak(u"Not told.", SPF_DEFAULT, nullptr), S_OK);
    ASSERT_EQ(voice->SetNotifyWindowMessage(window.handle(), WM_APP + 3, 2, 42), S_OK);
    stream->FailWith(E_ACCESSDENIED);
    ASSERT_EQ(voice->Speak(u"Fails.", SPF_ASYNC, nullptr), S_OK);

    MSG first = window.Next();
    EXPECT_EQ(first.message, static_cast<UINT>(WM_APP + 3));
    EXPECT_EQ(first.wParam, 1u);
    EXPECT_EQ(first.lParam, 42);
    MSG second = window.Next();
    EXPECT_EQ(second.wParam, 2u) << "the request after the null window was not told";
    SPVOICESTATUS status{};
    ASSERT_EQ(voice->GetStatus(&status, nullptr), S_OK);
    EXPECT_EQ(status.hrLastResult, E_ACCESSDENIED);
}

TEST_F(SpVoiceTest, PurgeDropsTheRequestBeingSpokenAndTheQueue)
{
    auto voice = NewVoice();
    auto stream = NewMemoryStream();
    voice->SetOutput(static_cast<ISpStreamFormat*>(stream), TRUE);
    stream->Hold(true);
    ASSERT_EQ(voice->Speak(kSentence, SPF_ASYNC, nullptr), S_OK);
    ASSERT_EQ(voice->Speak(u"Never heard.", SPF_ASYNC, nullptr), S_OK);
    ASSERT_TRUE(stream->WaitForWrites(1));  // the first request is being written
    ASSERT_EQ(voice->Speak(u"", SPF_PURGEBEFORESPEAK | SPF_ASYNC, nullptr), S_OK);
    stream->Hold(false);
    ASSERT_EQ(voice->WaitUntilDone(INFINITE), S_OK);
    // At most the one write in progress got through: about 10 ms of sound.
    EXPECT_LE(stream->Bytes().size(), 22050u * 2 / 100 + 2);
    // The voice goes on speaking afterwards.
    stream->Clear();
    ASSERT_EQ(voice->Speak(u"After.", SPF_DEFAULT, nullptr), S_OK);
    EXPECT_GT(stream->Bytes().size(), 1000u);
}

// With nothing queued there is nothing to wait for: not even the sound server.
TEST_F(SpVoiceTest, PurgeWithNothingQueuedReturnsAtOnce)
{
    PulseCallLog calls;
    auto voice = NewVoice();
    EXPECT_EQ(voice->Speak(u"", SPF_PURGEBEFORESPEAK, nullptr), S_OK);
    EXPECT_EQ(voice->WaitUntilDone(0), S_OK);
    EXPECT_EQ(calls.Counts().connects, 0);
}

TEST_F(SpVoiceTest, ASynchronousSpeakReturnsAfterItsAudioAndReportsFailures)
{
    auto voice = NewVoice();
    auto stream = NewMemoryStream();
    voice->SetOutput(static_cast<ISpStreamFormat*>(stream), TRUE);
    ASSERT_EQ(voice->Speak(kSentence, SPF_IS_NOT_XML, nullptr), S_OK);
    EXPECT_EQ(stream->Bytes().size(), Render(NewVoice(), kSentence).size() * 2);
    stream->FailWith(E_ACCESSDENIED);
    EXPECT_EQ(voice->Speak(kSentence, SPF_IS_NOT_XML, nullptr), E_ACCESSDENIED);
    EXPECT_EQ(voice->WaitUntilDone(INFINITE), S_OK);  // already reported
    ASSERT_EQ(voice->Speak(kSentence, SPF_ASYNC, nullptr), S_OK);
    EXPECT_EQ(voice->WaitUntilDone(INFINITE), E_ACCESSDENIED);
    EXPECT_EQ(voice->WaitUntilDone(INFINITE), S_OK);
}

TEST_F(SpVoiceTest, ReleasingAVoiceWhileItSpeaksStopsItsThread)
{
    auto stream = NewMemoryStream();
    auto voice = NewVoice();
    voice->SetOutput(static_cast<ISpStreamFormat*>(stream), TRUE);
    stream->Hold(true);
    for (int i = 0; i < 5; ++i) voice->Speak(kSentence, SPF_ASYNC, nullptr);
    ASSERT_TRUE(stream->WaitForWrites(1));
    std::thread releaser([&] { voice.Release(); });  // blocks until the held write returns
    stream->Hold(false);
    releaser.join();
    unsigned writes = stream->Writes();
    EXPECT_LT(writes * (22050u / 100), Render(NewVoice(), kSentence).size() * 5);
}

TEST_F(SpVoiceTest, MarkupChangesHowTheTextIsSaid)
{
    auto voice = NewVoice();
    auto plain = Render(voice, u"Hello there.", SPF_DEFAULT);
    auto silence = Render(voice, u"<silence msec=\"500\"/>Hello there.", SPF_DEFAULT);
    EXPECT_EQ(silence.size(), plain.size() + 22050 / 2);
    EXPECT_EQ(Peak(silence, 0, 22050 / 2), 0);
    auto quiet = Render(voice, u"<volume level=\"50\">Hello there.</volume>", SPF_DEFAULT);
    ASSERT_EQ(quiet.size(), plain.size());
    EXPECT_NEAR(double(Peak(quiet)) / Peak(plain), 0.5, 0.01);
    auto fast = Render(voice, u"<rate absspeed=\"8\">Hello there.</rate>", SPF_DEFAULT);
    auto slow = Render(voice, u"<rate speed=\"-5\">Hello there.</rate>", SPF_DEFAULT);
    EXPECT_LT(fast.size(), plain.size());
    EXPECT_GT(slow.size(), plain.size());
    EXPECT_NE(Render(voice, u"<pitch absmiddle=\"8\">Hello there.</pitch>", SPF_DEFAULT), plain);
    EXPECT_NE(Render(voice, u"<emph>Hello</emph> there.", SPF_DEFAULT), plain);
    EXPECT_GT(Render(voice, u"<spell>Hello</spell> there.", SPF_DEFAULT).size(), plain.size());
    // Unknown tags are not spoken.
    EXPECT_EQ(Render(voice, u"<unknown attr=\"x\">Hello there.</unknown>", SPF_DEFAULT), plain);
    // Plain text with a tag-like part, and markup asked off, are read as they are.
    EXPECT_NE(Render(voice, u"<silence msec=\"500\"/>Hello there.", SPF_IS_NOT_XML), silence);
}

std::atomic<int> connects{0};

pulse::PlaybackStream* CountedConnect(const pa_sample_spec* format, const pa_buffer_attr* attr, int* error)
{
    ++connects;
    return pulse::RealCalls().connect(format, attr, error);
}

// Making a voice and rendering a file never contacts the sound server: only an
// output that plays connects.
TEST_F(SpVoiceTest, TheConvertersSequenceLeavesAFinishedWaveFile)
{
    testing_support::ScratchDir dir;
    pulse::Table table = pulse::RealCalls();
    table.connect = CountedConnect;
    pulse::ScopedOverride counted(table);
    connects = 0;
    auto voice = NewVoice();
    std::string path = (dir / "out.wav").string();
    ASSERT_EQ(RenderToWav(voice, path, kSentence), S_OK);
    auto samples = Render(voice, kSentence);
    EXPECT_EQ(std::filesystem::file_size(path), 44 + samples.size() * 2);
    CComPtr<ISpStreamFormat> output;
    voice->GetOutputStream(&output);
    CComPtr<IEngineAudioDevice> device;
    EXPECT_EQ(output.QueryInterface(&device), S_OK);  // back on the default output
    voice.Release();
    EXPECT_EQ(connects, 0);
}

ssize_t NoSpace(int, const void*, size_t)
{
    errno = ENOSPC;
    return -1;
}

TEST_F(SpVoiceTest, ADiskThatFillsUpIsReportedByWaitUntilDone)
{
    testing_support::ScratchDir dir;
    auto voice = NewVoice();
    std::string path = (dir / "full.wav").string();
    CComPtr<ISpStream> wav;
    wav.CoCreateInstance(CLSID_SpStream);
    WAVEFORMATEX format = NativeFormat();
    std::u16string name(path.begin(), path.end());
    ASSERT_EQ(wav->BindToFile(name.c_str(), SPFM_CREATE_ALWAYS, &SPDFID_WaveFormatEx, &format, 0), S_OK);
    ASSERT_EQ(voice->SetOutput(wav, TRUE), S_OK);
    win32::sys::Table table = win32::sys::RealCalls();
    table.write = NoSpace;
    win32::sys::ScopedOverride full(table);
    ASSERT_EQ(voice->Speak(kSentence, SPF_ASYNC, nullptr), S_OK);
    EXPECT_EQ(voice->WaitUntilDone(INFINITE), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
    EXPECT_EQ(wav->Close(), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
    voice->SetOutput(nullptr, FALSE);
}

// The same engine features with one of flite's voices.
class SpVoiceFliteTest : public ComTest {
protected:
    static CComPtr<ISpObjectToken> Token(const std::string& identifier)
    {
        const auto& voices = VoiceCatalog::Instance().voices();
        for (std::size_t i = 0; i < voices.size(); ++i)
            if (voices[i].identifier == identifier) return VoiceToken(static_cast<ULONG>(i));
        ADD_FAILURE() << identifier << " is not installed";
        return nullptr;
    }
    CComPtr<ISpVoice> FliteVoice(const std::string& identifier = "flite/cmu_us_slt")
    {
        auto voice = NewVoice();
        EXPECT_EQ(voice->SetVoice(Token(identifier)), S_OK);
        return voice;
    }
};

TEST_F(SpVoiceFliteTest, VolumeIsALinearGainAndRateChangesTheLength)
{
    auto voice = FliteVoice();
    auto full = Render(voice, kSentence);
    voice->SetVolume(50);
    auto half = Render(voice, kSentence);
    ASSERT_EQ(full.size(), half.size());
    for (std::size_t i = 0; i < full.size(); ++i) ASSERT_EQ(half[i], full[i] / 2) << i;
    voice->SetVolume(100);
    voice->SetRate(5);
    auto fast = Render(voice, kSentence);
    voice->SetRate(-5);
    auto slow = Render(voice, kSentence);
    EXPECT_LT(fast.size() * 1.5, full.size());
    EXPECT_GT(slow.size(), full.size() * 1.5);
}

TEST_F(SpVoiceFliteTest, MarkupIsReadByTheEngineNotByFlite)
{
    auto voice = FliteVoice("flite/cmu_us_kal16");
    auto plain = Render(voice, u"Hello there.", SPF_DEFAULT);
    auto silence = Render(voice, u"<silence msec=\"500\"/>Hello there.", SPF_DEFAULT);
    EXPECT_EQ(silence.size(), plain.size() + 22050 / 2);
    EXPECT_EQ(Peak(silence, 0, 22050 / 2), 0);
    auto quiet = Render(voice, u"<volume level=\"50\">Hello there.</volume>", SPF_DEFAULT);
    ASSERT_EQ(quiet.size(), plain.size());
    EXPECT_NEAR(double(Peak(quiet)) / Peak(plain), 0.5, 0.01);
    EXPECT_LT(Render(voice, u"<rate absspeed=\"8\">Hello there.</rate>", SPF_DEFAULT).size(), plain.size());
    EXPECT_NE(Render(voice, u"<pitch absmiddle=\"8\">Hello there.</pitch>", SPF_DEFAULT), plain);
    EXPECT_EQ(Render(voice, u"<unknown>Hello there.</unknown>", SPF_DEFAULT), plain);
}

TEST_F(SpVoiceFliteTest, WaveFilesInOtherFormatsKeepTheDuration)
{
    auto voice = FliteVoice("flite/cmu_us_kal");  // 8 kHz underneath
    ExpectCdFormatKeepsTheDuration(voice);
}

TEST_F(SpVoiceFliteTest, PurgeDropsTheRequestAndTheVoiceGoesOn)
{
    auto voice = FliteVoice();
    auto stream = NewMemoryStream();
    voice->SetOutput(static_cast<ISpStreamFormat*>(stream), TRUE);
    stream->Hold(true);
    ASSERT_EQ(voice->Speak(kSentence, SPF_ASYNC, nullptr), S_OK);
    ASSERT_EQ(voice->Speak(u"Never heard.", SPF_ASYNC, nullptr), S_OK);
    ASSERT_TRUE(stream->WaitForWrites(1));
    ASSERT_EQ(voice->Speak(u"", SPF_PURGEBEFORESPEAK | SPF_ASYNC, nullptr), S_OK);
    stream->Hold(false);
    ASSERT_EQ(voice->WaitUntilDone(INFINITE), S_OK);
    EXPECT_LE(stream->Bytes().size(), 22050u * 2 / 100 + 2);
    stream->Clear();
    ASSERT_EQ(voice->Speak(u"After.", SPF_DEFAULT, nullptr), S_OK);
    EXPECT_GT(stream->Bytes().size(), 1000u);
}

TEST_F(SpVoiceFliteTest, AWaveFileHoldsWhatMemoryGets)
{
    testing_support::ScratchDir dir;
    auto voice = FliteVoice("flite/cmu_us_rms");
    auto native = Render(voice, kSentence);
    CComPtr<ISpStream> wav;
    ASSERT_EQ(wav.CoCreateInstance(CLSID_SpStream), S_OK);
    std::string path = (dir / "rms.wav").string();
    std::u16string wide(path.begin(), path.end());
    WAVEFORMATEX format = NativeFormat();
    ASSERT_EQ(wav->BindToFile(wide.c_str(), SPFM_CREATE_ALWAYS, &SPDFID_WaveFormatEx, &format, 0), S_OK);
    ASSERT_EQ(voice->SetOutput(wav, TRUE), S_OK);
    ASSERT_EQ(voice->Speak(kSentence, SPF_IS_NOT_XML, nullptr), S_OK);
    ASSERT_EQ(voice->SetOutput(nullptr, FALSE), S_OK);
    ASSERT_EQ(wav->Close(), S_OK);
    EXPECT_EQ(std::filesystem::file_size(path), 44 + native.size() * 2);
}

}  // namespace
}  // namespace speech
