// The default audio output, against the test sound server: what the voice plays is
// recorded from the test sink's monitor. These tests fail without a server.
#include "sp_mm_audio_out.h"

#include "module_calls.h"
#include "monitor_recorder.h"
#include "speech_test_support.h"
#include "voice_catalog.h"

#include <private_pulse.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <string_view>

namespace speech {
namespace {

using namespace speech_test;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Chunk = MonitorRecorder::Chunk;

constexpr char16_t kLongText[] =
    u"This is a long text that keeps the voice busy for many seconds, so that there is "
    u"time to stop it while it is speaking, and then to listen whether it has really stopped. "
    u"It goes on and on, one sentence after another, with nothing much to say.";

// Where a stretch from the middle of a rendering appears, sample for sample, in what
// was recorded (the test sink has the engine's format, so nothing is resampled);
// npos when it does not.
std::size_t Find(const std::vector<std::int16_t>& recorded, const std::vector<std::int16_t>& rendering,
                 std::size_t from = 0)
{
    std::size_t start = rendering.size() / 2;
    while (start < rendering.size() && std::abs(int{rendering[start]}) < 1000) ++start;
    std::size_t length = std::min<std::size_t>(2000, rendering.size() - start);
    if (length < 1000) return std::string::npos;
    for (std::size_t i = from; i + length <= recorded.size(); ++i) {
        std::size_t k = 0;
        while (k < length && std::abs(recorded[i + k] - rendering[start + k]) <= 1) ++k;
        if (k == length) return i >= start ? i - start : 0;
    }
    return std::string::npos;
}

bool HeardSince(const std::vector<Chunk>& chunks, Clock::time_point since, std::chrono::milliseconds amount)
{
    auto loud = std::count_if(chunks.begin(), chunks.end(),
                              [&](const Chunk& c) { return c.arrived > since && MonitorRecorder::Loud(c); });
    return loud * 10ms >= amount;
}

Clock::time_point LastLoud(const std::vector<Chunk>& chunks)
{
    Clock::time_point last{};
    for (const Chunk& c : chunks)
        if (MonitorRecorder::Loud(c)) last = c.arrived;
    return last;
}

class AudioOutTest : public ComTest {};

TEST_F(AudioOutTest, FormatIsNative)
{
    CComPtr<ISpStreamFormat> output;
    ASSERT_EQ(output.CoCreateInstance(CLSID_SpMMAudioOut), S_OK);
    GUID id;
    WAVEFORMATEX* format = nullptr;
    ASSERT_EQ(output->GetFormat(&id, &format), S_OK);
    EXPECT_EQ(id, SPDFID_WaveFormatEx);
    EXPECT_EQ(format->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format->nSamplesPerSec, 22050u);
    EXPECT_EQ(format->wBitsPerSample, 16);
    EXPECT_EQ(format->nChannels, 1);
    EXPECT_EQ(format->nBlockAlign, 2);
    CoTaskMemFree(format);
}

pulse::PlaybackStream* NoServer(const pa_sample_spec*, const pa_buffer_attr*, int* error)
{
    *error = PA_ERR_CONNECTIONREFUSED;
    return nullptr;
}

TEST_F(AudioOutTest, WithoutAServerSpeakingFailsAtOnceAndStoppingStillWorks)
{
    pulse::Table table = pulse::RealCalls();
    table.connect = NoServer;
    pulse::ScopedOverride noServer(table);
    auto voice = NewQuickVoice();
    auto started = Clock::now();
    EXPECT_EQ(voice->Speak(kSentence, SPF_DEFAULT, nullptr), SPERR_NO_DRIVER);
    EXPECT_EQ(voice->Speak(kSentence, SPF_ASYNC, nullptr), SPERR_NO_DRIVER);
    EXPECT_EQ(voice->Speak(u"", SPF_PURGEBEFORESPEAK, nullptr), S_OK);
    EXPECT_EQ(voice->WaitUntilDone(INFINITE), S_OK);
    EXPECT_LT(Clock::now() - started, 200ms);
}

void* OpenAllButPulse(const char* name, int flags)
{
    if (std::string_view(name).find("pulse") != std::string_view::npos) return nullptr;
    return modules::RealCalls().open(name, flags);
}

TEST_F(AudioOutTest, WithoutPulseAudioInstalledSpeakingFailsAndWorksOnceItIsBack)
{
    {
        modules::ScopedOverride noLibrary(modules::Table{OpenAllButPulse});
        auto voice = NewQuickVoice();
        EXPECT_EQ(voice->Speak(kSentence, SPF_DEFAULT, nullptr), SPERR_NO_DRIVER);
        EXPECT_EQ(voice->WaitUntilDone(INFINITE), S_OK);
    }
    auto voice = NewQuickVoice();
    EXPECT_EQ(voice->Speak(u"Back.", SPF_DEFAULT, nullptr), S_OK);
}

TEST_F(AudioOutTest, AServerAddressThatDoesNotAnswerFailsPromptly)
{
    const char* old = std::getenv("PULSE_SERVER");
    std::string saved = old ? old : "";
    setenv("PULSE_SERVER", "unix:/nonexistent/varnel/native", 1);
    auto voice = NewQuickVoice();
    auto started = Clock::now();
    EXPECT_EQ(voice->Speak(kSentence, SPF_ASYNC, nullptr), SPERR_NO_DRIVER);
    EXPECT_LT(Clock::now() - started, 1s);
    if (old) setenv("PULSE_SERVER", saved.c_str(), 1);
    else unsetenv("PULSE_SERVER");
}

std::mutex hangMutex;
std::condition_variable hangEnded;
bool hangOver = false;
pulse::PlaybackStream* HangingServer(const pa_sample_spec*, const pa_buffer_attr*, int* error)
{
    std::unique_lock lock(hangMutex);
    hangEnded.wait(lock, [] { return hangOver; });
    *error = PA_ERR_TIMEOUT;
    return nullptr;
}

TEST_F(AudioOutTest, AServerThatNeverAnswersIsGivenUpOnInBoundedTime)
{
    pulse::Table table = pulse::RealCalls();
    table.connect = HangingServer;
    pulse::ScopedOverride hanging(table);
    auto voice = NewQuickVoice();
    auto started = Clock::now();
    EXPECT_EQ(voice->Speak(kSentence, SPF_ASYNC, nullptr), SPERR_NO_DRIVER);
    auto took = Clock::now() - started;
    EXPECT_GE(took, SpMMAudioOut::kConnectTimeout - 200ms);  // counted from the voice's creation
    EXPECT_LT(took, SpMMAudioOut::kConnectTimeout + 500ms);
    {
        std::lock_guard lock(hangMutex);
        hangOver = true;
    }
    hangEnded.notify_all();
}

int FailingWrite(pulse::PlaybackStream*, const void*, size_t, int* error)
{
    *error = PA_ERR_CONNECTIONTERMINATED;
    return -1;
}

TEST_F(AudioOutTest, AServerThatGoesAwayFailsTheRequestAndTheNextOneConnectsAgain)
{
    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.ok());
    auto voice = NewQuickVoice();
    {
        pulse::Table table = pulse::RealCalls();
        table.write = FailingWrite;
        pulse::ScopedOverride broken(table);
        EXPECT_EQ(voice->Speak(u"Lost.", SPF_DEFAULT, nullptr), SPERR_AUDIO_STOPPED);
    }
    auto before = Clock::now();
    EXPECT_EQ(voice->Speak(u"Heard again.", SPF_DEFAULT, nullptr), S_OK);
    EXPECT_TRUE(HeardSince(recorder.Chunks(), before, 200ms));
}

// A real server killed mid-text: the request fails and says so to the window, a
// request while it is gone fails at once, and one after it is back is heard.
TEST_F(AudioOutTest, ARealServerKilledWhileSpeakingFailsTheRequestAndIsUsedAgainOnceBack)
{
    testing_support::PrivatePulseServer server;
    ASSERT_TRUE(server.Start()) << server.Log();
    NoticeWindow window;
    auto voice = NewQuickVoice();
    ASSERT_EQ(voice->SetNotifyWindowMessage(window.handle(), WM_APP, 0, 0), S_OK);
    ASSERT_EQ(voice->Speak(kLongText, SPF_ASYNC, nullptr), S_OK);  // connected when it returns
    server.Kill();
    window.Next();
    SPVOICESTATUS status{};
    ASSERT_EQ(voice->GetStatus(&status, nullptr), S_OK);
    EXPECT_EQ(status.hrLastResult, SPERR_AUDIO_STOPPED);
    EXPECT_EQ(voice->WaitUntilDone(INFINITE), SPERR_AUDIO_STOPPED);
    EXPECT_EQ(voice->Speak(u"Nobody listens.", SPF_ASYNC, nullptr), SPERR_NO_DRIVER);

    ASSERT_TRUE(server.Start()) << server.Log();
    testing_support::EnvVar monitor("VARNEL_TEST_MONITOR", "varnel_private.monitor");
    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.ok());
    auto before = Clock::now();
    EXPECT_EQ(voice->Speak(u"Heard again.", SPF_DEFAULT, nullptr), S_OK);
    EXPECT_TRUE(HeardSince(recorder.Chunks(), before, 200ms));
}

TEST_F(AudioOutTest, ASynchronousSpeakReturnsOnlyAfterItsAudioHasBeenPlayed)
{
    auto voice = NewQuickVoice();
    auto rendering = Render(voice, kSentence);
    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.ok());
    auto before = Clock::now();
    ASSERT_EQ(voice->Speak(kSentence, SPF_DEFAULT, nullptr), S_OK);
    auto returned = Clock::now();
    auto playing = std::chrono::milliseconds(rendering.size() * 1000 / 22050);
    EXPECT_GE(returned - before, playing - 20ms);
    recorder.WaitPast(returned + 300ms);
    auto chunks = recorder.Chunks();
    EXPECT_TRUE(HeardSince(chunks, before, playing / 2));
    // Nothing of it comes after the call returned (10 ms of recording granularity).
    EXPECT_LE(LastLoud(chunks), returned + 20ms);
    EXPECT_NE(Find(recorder.Samples(), rendering), std::string::npos) << "the recording is not the voice's audio";
}

TEST_F(AudioOutTest, TwoAsyncRequestsAreHeardOneAfterTheOtherInOrder)
{
    auto voice = NewQuickVoice();
    auto first = Render(voice, u"The first request comes first.");
    auto second = Render(voice, u"Then the second one.");
    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.ok());
    auto before = Clock::now();
    ASSERT_EQ(voice->Speak(u"The first request comes first.", SPF_ASYNC, nullptr), S_OK);
    ASSERT_EQ(voice->Speak(u"Then the second one.", SPF_ASYNC, nullptr), S_OK);
    EXPECT_LT(Clock::now() - before, 100ms);  // both calls return at once
    ASSERT_EQ(voice->WaitUntilDone(INFINITE), S_OK);
    recorder.WaitPast(Clock::now() + 50ms);
    auto samples = recorder.Samples();
    std::size_t heardFirst = Find(samples, first);
    ASSERT_NE(heardFirst, std::string::npos);
    std::size_t heardSecond = Find(samples, second, heardFirst);
    ASSERT_NE(heardSecond, std::string::npos);
    EXPECT_GE(heardSecond, heardFirst + first.size());  // after the first, not mixed into it
}

TEST_F(AudioOutTest, APurgeMakesTheSinkSilentWithin50Milliseconds)
{
    auto voice = NewQuickVoice();
    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.ok());
    auto before = Clock::now();
    ASSERT_EQ(voice->Speak(kLongText, SPF_ASYNC, nullptr), S_OK);
    ASSERT_EQ(voice->Speak(u"Queued behind it.", SPF_ASYNC, nullptr), S_OK);
    ASSERT_TRUE(recorder.WaitUntil([&](const std::vector<Chunk>& c) { return HeardSince(c, before, 500ms); }));
    auto purged = Clock::now();
    ASSERT_EQ(voice->Speak(u"", SPF_PURGEBEFORESPEAK, nullptr), S_OK);
    EXPECT_LT(Clock::now() - purged, 50ms);
    recorder.WaitPast(purged + 1s);
    auto chunks = recorder.Chunks();
    // A chunk arrives up to 10 ms after its sound.
    EXPECT_LE(LastLoud(chunks) - purged, 50ms + 10ms)
        << "sound went on for "
        << std::chrono::duration_cast<std::chrono::milliseconds>(LastLoud(chunks) - purged).count() << " ms";
    EXPECT_EQ(voice->WaitUntilDone(0), S_OK);
}

TEST_F(AudioOutTest, VolumeZeroIsSilence)
{
    auto voice = NewQuickVoice();
    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.ok());
    ASSERT_EQ(voice->SetVolume(0), S_OK);
    auto before = Clock::now();
    ASSERT_EQ(voice->Speak(kSentence, SPF_DEFAULT, nullptr), S_OK);
    auto returned = Clock::now();
    EXPECT_GE(returned - before, 1s);  // it was played, silently
    recorder.WaitPast(returned + 100ms);
    auto chunks = recorder.Chunks();
    ASSERT_GT(chunks.size(), 100u);
    for (const Chunk& c : chunks) EXPECT_EQ(c.peak, 0);
}

TEST_F(AudioOutTest, AnotherVoiceChangesTheSound)
{
    auto voice = NewVoice();
    auto firstVoice = Render(voice, kSentence);
    ASSERT_EQ(voice->SetVoice(VoiceToken(1)), S_OK);
    auto secondVoice = Render(voice, kSentence);
    ASSERT_NE(firstVoice, secondVoice);
    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.ok());
    ASSERT_EQ(voice->Speak(kSentence, SPF_DEFAULT, nullptr), S_OK);
    recorder.WaitPast(Clock::now() + 50ms);
    auto samples = recorder.Samples();
    EXPECT_NE(Find(samples, secondVoice), std::string::npos);
    EXPECT_EQ(Find(samples, firstVoice), std::string::npos);
}

}  // namespace
}  // namespace speech
