// The default audio output, against the test sound server: what the voice plays is
// recorded from the test sink's monitor. These tests fail without a server.
#include "sp_mm_audio_out.h"

#include "module_calls.h"
#include "monitor_recorder.h"
#include "pulse_call_log.h"
#include "speech_test_support.h"
#include "voice_catalog.h"

#include <env_var.h>
#include <private_pulse.h>

#include <atomic>
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

// The server mixes a stream that starts on a playing sink into the few milliseconds
// it has already rendered, so in the recording a new stream's first 20 ms may
// overlap what came before it, or be missing.
constexpr std::size_t kStreamStart = 22050 / 50;

// The first sample of `rendering` past its start that was not recorded as it is at
// `at` on (other sound mixed into it); npos when it was heard whole.
std::size_t FirstMixedSample(const std::vector<std::int16_t>& recorded, const std::vector<std::int16_t>& rendering,
                             std::size_t at)
{
    if (at == std::string::npos || at + rendering.size() > recorded.size()) return 0;
    for (std::size_t k = kStreamStart; k < rendering.size(); ++k)
        if (std::abs(recorded[at + k] - rendering[k]) > 1) return k;
    return std::string::npos;
}

// A second voice, connected before the test's sound, whose sentence marks a moment
// in the recording: whatever the test's voice still plays after the marker was
// spoken is mixed into it, or comes before it.
class Marker {
public:
    Marker() : voice_(NewQuickVoice()), rendering_(Render(voice_, kText))
    {
        EXPECT_EQ(voice_->Speak(u"Ready.", SPF_DEFAULT, nullptr), S_OK);
    }
    void Speak() { EXPECT_EQ(voice_->Speak(kText, SPF_ASYNC, nullptr), S_OK); }
    // Where the marker starts in the recording, once it and `after` samples of what
    // followed it have been recorded; npos when it was not heard.
    std::size_t AwaitHeard(MonitorRecorder& recorder, std::size_t from = 0, std::size_t after = 0)
    {
        EXPECT_EQ(voice_->WaitUntilDone(INFINITE), S_OK);
        std::size_t at = std::string::npos;
        recorder.WaitForSamples([&](const std::vector<std::int16_t>& samples) {
            at = Find(samples, rendering_, from);
            return at != std::string::npos && samples.size() >= at + rendering_.size() + after;
        });
        return at;
    }
    const std::vector<std::int16_t>& rendering() const { return rendering_; }

private:
    static constexpr char16_t kText[] = u"Marker sentence, said once and heard whole.";
    CComPtr<ISpVoice> voice_;
    std::vector<std::int16_t> rendering_;
};

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

std::atomic<int> refusals{0};
pulse::PlaybackStream* NoServer(const pa_sample_spec*, const pa_buffer_attr*, int* error)
{
    ++refusals;
    *error = PA_ERR_CONNECTIONREFUSED;
    return nullptr;
}

// A refused connection fails its request at once: it is not tried again.
TEST_F(AudioOutTest, WithoutAServerSpeakingFailsAtOnceAndStoppingStillWorks)
{
    pulse::Table table = pulse::RealCalls();
    table.connect = NoServer;
    pulse::ScopedOverride noServer(table);
    refusals = 0;
    auto voice = NewQuickVoice();
    EXPECT_EQ(voice->Speak(kSentence, SPF_DEFAULT, nullptr), SPERR_NO_DRIVER);
    EXPECT_EQ(voice->Speak(kSentence, SPF_ASYNC, nullptr), SPERR_NO_DRIVER);
    EXPECT_EQ(voice->Speak(u"", SPF_PURGEBEFORESPEAK, nullptr), S_OK);
    EXPECT_EQ(voice->WaitUntilDone(INFINITE), S_OK);
    EXPECT_EQ(refusals, 2) << "one connection attempt per request";
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

std::atomic<int> failedConnects{0};
pulse::PlaybackStream* WatchedConnect(const pa_sample_spec* format, const pa_buffer_attr* attr, int* error)
{
    pulse::PlaybackStream* stream = pulse::RealCalls().connect(format, attr, error);
    if (!stream) ++failedConnects;
    return stream;
}

// Promptly: the connection attempt itself fails, the request does not wait for
// the connect timeout.
TEST_F(AudioOutTest, AServerAddressThatDoesNotAnswerFailsPromptly)
{
    testing_support::EnvVar address("PULSE_SERVER", "unix:/nonexistent/varnel/native");
    pulse::Table table = pulse::RealCalls();
    table.connect = WatchedConnect;
    pulse::ScopedOverride watched(table);
    failedConnects = 0;
    auto voice = NewQuickVoice();
    EXPECT_EQ(voice->Speak(kSentence, SPF_ASYNC, nullptr), SPERR_NO_DRIVER);
    EXPECT_EQ(failedConnects, 1) << "the request gave up before the server's refusal";
}

std::mutex hangMutex;
std::condition_variable hangEnded;
bool hangEntered = false;
bool hangOver = false;
pulse::PlaybackStream* HangingServer(const pa_sample_spec*, const pa_buffer_attr*, int* error)
{
    std::unique_lock lock(hangMutex);
    hangEntered = true;
    hangEnded.wait(lock, [] { return hangOver; });
    *error = PA_ERR_TIMEOUT;
    return nullptr;
}

// The request is given up on while the attempt still hangs in the server (the
// test would hang otherwise), and not before the attempt was under way. How long
// it waits: bench/speech/connect_figures.cpp.
TEST_F(AudioOutTest, AServerThatNeverAnswersIsGivenUpOnInBoundedTime)
{
    pulse::Table table = pulse::RealCalls();
    table.connect = HangingServer;
    pulse::ScopedOverride hanging(table);
    auto voice = NewQuickVoice();
    EXPECT_EQ(voice->Speak(kSentence, SPF_ASYNC, nullptr), SPERR_NO_DRIVER);
    {
        std::lock_guard lock(hangMutex);
        EXPECT_TRUE(hangEntered) << "given up on before the connection was tried";
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
    Marker marker;
    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.ok());
    auto before = Clock::now();
    ASSERT_EQ(voice->Speak(kSentence, SPF_DEFAULT, nullptr), S_OK);
    marker.Speak();  // anything of the sentence still to play would overlap it
    std::size_t heardMarker = marker.AwaitHeard(recorder);
    auto samples = recorder.Samples();
    std::size_t heard = Find(samples, rendering);
    ASSERT_NE(heard, std::string::npos) << "the recording is not the voice's audio";
    auto playing = std::chrono::milliseconds(rendering.size() * 1000 / 22050);
    EXPECT_TRUE(HeardSince(recorder.Chunks(), before, playing / 2));
    ASSERT_NE(heardMarker, std::string::npos);
    EXPECT_GE(heardMarker + kStreamStart, heard + rendering.size())
        << "the sentence was still playing when Speak returned";
}

TEST_F(AudioOutTest, TwoAsyncRequestsAreHeardOneAfterTheOtherInOrder)
{
    auto voice = NewQuickVoice();
    auto first = Render(voice, u"The first request comes first.");
    auto second = Render(voice, u"Then the second one.");
    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.ok());
    PulseCallLog calls;
    calls.HoldWrites(true);  // nothing can be played until both calls have returned
    ASSERT_EQ(voice->Speak(u"The first request comes first.", SPF_ASYNC, nullptr), S_OK);
    ASSERT_EQ(voice->Speak(u"Then the second one.", SPF_ASYNC, nullptr), S_OK);
    EXPECT_EQ(voice->WaitUntilDone(0), S_FALSE);  // both calls returned at once
    EXPECT_EQ(calls.Counts().writes, 0);
    calls.HoldWrites(false);
    ASSERT_EQ(voice->WaitUntilDone(INFINITE), S_OK);
    recorder.WaitPast(Clock::now() + 50ms);
    auto samples = recorder.Samples();
    std::size_t heardFirst = Find(samples, first);
    ASSERT_NE(heardFirst, std::string::npos);
    std::size_t heardSecond = Find(samples, second, heardFirst);
    ASSERT_NE(heardSecond, std::string::npos);
    EXPECT_GE(heardSecond, heardFirst + first.size());  // after the first, not mixed into it
}

// The purge cuts the text short, and once it returns nothing of the text or of the
// request queued behind it reaches the sink. How soon it is silent:
// bench/speech/speech_bench.cpp.
TEST_F(AudioOutTest, APurgeMakesTheSinkSilentAtOnce)
{
    auto voice = NewQuickVoice();
    auto longRendering = Render(voice, kLongText);
    Marker marker;
    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.ok());
    auto before = Clock::now();
    ASSERT_EQ(voice->Speak(kLongText, SPF_ASYNC, nullptr), S_OK);
    ASSERT_EQ(voice->Speak(u"Queued behind it.", SPF_ASYNC, nullptr), S_OK);
    ASSERT_TRUE(recorder.WaitUntil([&](const std::vector<Chunk>& c) { return HeardSince(c, before, 500ms); }));
    ASSERT_EQ(voice->Speak(u"", SPF_PURGEBEFORESPEAK, nullptr), S_OK);
    EXPECT_EQ(voice->WaitUntilDone(0), S_OK);
    marker.Speak();
    constexpr std::size_t kQuietAfter = 22050 / 2;  // where the queued request would be heard
    std::size_t heardMarker = marker.AwaitHeard(recorder, 0, kQuietAfter);
    auto samples = recorder.Samples();
    EXPECT_EQ(Find(samples, longRendering), std::string::npos) << "the text was not cut short";
    ASSERT_NE(heardMarker, std::string::npos);
    std::size_t mixed = FirstMixedSample(samples, marker.rendering(), heardMarker);
    EXPECT_EQ(mixed, std::string::npos) << "the text went on after the purge, into the marker's sample " << mixed
                                        << " (peak there " << Peak(samples, heardMarker, heardMarker + mixed + 1)
                                        << ", the marker's " << Peak(marker.rendering(), 0, mixed + 1) << ")";
    EXPECT_LE(Peak(samples, heardMarker + marker.rendering().size()), MonitorRecorder::kSilenceLevel)
        << "the queued request was heard";
}

TEST_F(AudioOutTest, VolumeZeroIsSilence)
{
    auto voice = NewQuickVoice();
    MonitorRecorder recorder;
    ASSERT_TRUE(recorder.ok());
    ASSERT_EQ(voice->SetVolume(0), S_OK);
    auto rendering = Render(voice, kSentence);
    PulseCallLog calls;
    ASSERT_EQ(voice->Speak(kSentence, SPF_DEFAULT, nullptr), S_OK);
    auto returned = Clock::now();
    EXPECT_EQ(calls.Counts().bytes, rendering.size() * 2);  // it was played, silently
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
