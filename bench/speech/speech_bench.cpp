// Speech engine figures: voice list start-up, Speak without a server (refused, and
// given up on after the connect timeout), Speak to first audio, purge to silence,
// pause to silence and resume to sound, word events against their sound (recorded
// from the sound server's monitor), speed range. Prints figures; run under
// scripts/with-pulse.sh.
#include "../figures.h"
#include "connect_figures.h"

#include "audio_device.h"
#include "sp_mm_audio_out.h"

#include <atlbase.h>
#include <varnel/com_object.h>
#include <varnel/speech_classes.h>
#include <objbase.h>
#include <sapi.h>

#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <ctime>
#include <fstream>
#include <sstream>

namespace {

using bench::Clock;
using bench::Ms;
using namespace std::chrono_literals;

// Passes everything to the default audio output and notes when the first bytes arrive.
class TimedOutput final : public ComObject<ISpStreamFormat, IEngineAudioDevice> {
public:
    TimedOutput() { inner_.Attach(NewComObject<speech::SpMMAudioOut>()); inner_.QueryInterface(&device_); }
    STDMETHOD(Write)(const void* data, ULONG bytes, ULONG* written) override
    {
        Clock::time_point none{};
        firstWrite_.compare_exchange_strong(none, Clock::now());
        return inner_->Write(data, bytes, written);
    }
    STDMETHOD(GetFormat)(GUID* id, WAVEFORMATEX** format) override { return inner_->GetFormat(id, format); }
    STDMETHOD(Open)() override { return device_->Open(); }
    STDMETHOD(Discard)() override { return device_->Discard(); }
    STDMETHOD(WaitUntilPlayed)(speech::CancelToken* cancel) override { return device_->WaitUntilPlayed(cancel); }
    STDMETHOD(Pause)() override { return device_->Pause(); }
    STDMETHOD(Resume)() override { return device_->Resume(); }
    STDMETHOD(GetPosition)(ULONGLONG* written, ULONGLONG* heard) override { return device_->GetPosition(written, heard); }

    void Reset() { firstWrite_ = Clock::time_point{}; }
    Clock::time_point firstWrite() const { return firstWrite_; }

private:
    CComPtr<ISpStreamFormat> inner_;
    CComPtr<IEngineAudioDevice> device_;
    std::atomic<Clock::time_point> firstWrite_{};
};

// The time of the last loud 10 ms chunk the monitor delivered.
class Recorder {
public:
    Recorder()
    {
        const char* device = std::getenv("VARNEL_TEST_MONITOR");
        pa_sample_spec sampleSpec{PA_SAMPLE_S16LE, 22050, 1};
        pa_buffer_attr attr{~0u, ~0u, ~0u, ~0u, 440};
        int error = 0;
        stream_ = pa_simple_new(nullptr, "speech bench", PA_STREAM_RECORD, device ? device : "varnel_null.monitor",
                                "monitor", &sampleSpec, nullptr, &attr, &error);
        if (stream_) thread_ = std::thread([this] { Run(); });
    }
    ~Recorder()
    {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (stream_) pa_simple_free(stream_);
    }
    bool ok() const { return stream_; }
    Clock::time_point lastLoud()
    {
        std::lock_guard lock(mutex_);
        return lastLoud_;
    }
    // The starts of sound after at least `gap` of silence.
    std::vector<Clock::time_point> onsets(std::chrono::milliseconds gap)
    {
        std::lock_guard lock(mutex_);
        std::vector<Clock::time_point> starts;
        for (std::size_t i = 0; i < louds_.size(); ++i)
            if (i == 0 || louds_[i] - louds_[i - 1] > gap) starts.push_back(louds_[i]);
        return starts;
    }
    Clock::time_point firstLoudAfter(Clock::time_point t)
    {
        std::lock_guard lock(mutex_);
        for (auto loud : louds_)
            if (loud > t) return loud;
        return {};
    }

private:
    void Run()
    {
        std::int16_t buffer[220];
        while (!stop_) {
            int error = 0;
            if (pa_simple_read(stream_, buffer, sizeof buffer, &error) < 0) return;
            int peak = 0;
            for (auto s : buffer) peak = std::max(peak, std::abs(int{s}));
            if (peak > 100) {
                std::lock_guard lock(mutex_);
                lastLoud_ = Clock::now();
                louds_.push_back(lastLoud_);
            }
        }
    }
    pa_simple* stream_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    Clock::time_point lastLoud_{};
    std::vector<Clock::time_point> louds_;
};

void Print(const char* what, std::vector<double> values, const char* goal)
{
    std::sort(values.begin(), values.end());
    if (values.empty()) {
        std::printf("%-44s no data\n", what);
        return;
    }
    std::printf("%-44s median %7.1f ms  max %7.1f ms  (n=%zu, goal %s)\n", what, values[values.size() / 2],
                values.back(), values.size(), goal);
}


// The token of a voice by its identifier ("gmw/en", "flite/cmu_us_slt"), or null.
CComPtr<ISpObjectToken> TokenFor(const std::u16string& identifier)
{
    CComPtr<ISpObjectTokenCategory> category;
    category.CoCreateInstance(CLSID_SpObjectTokenCategory);
    category->SetId(SPCAT_VOICES, FALSE);
    CComPtr<IEnumSpObjectTokens> tokens;
    category->EnumTokens(nullptr, nullptr, &tokens);
    ULONG count = 0;
    tokens->GetCount(&count);
    for (ULONG i = 0; i < count; ++i) {
        CComPtr<ISpObjectToken> token;
        tokens->Item(i, &token);
        LPWSTR id = nullptr;
        token->GetId(&id);
        std::u16string tokenId = id ? id : u"";
        CoTaskMemFree(id);
        if (tokenId.size() >= identifier.size() && tokenId.compare(tokenId.size() - identifier.size(), identifier.size(), identifier) == 0)
            return token;
    }
    return nullptr;
}

double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

// About 20 KB of the English samples, as bench/run.sh makes its texts.
std::u16string TwentyKilobytes()
{
    std::string text;
    for (const char* name : {"examples/english.txt", "examples/lighthouse.txt"}) {
        std::ifstream in(std::string(BENCH_SOURCE_DIR) + "/" + name);
        std::stringstream all;
        all << in.rdbuf();
        text += all.str();
    }
    std::string out;
    while (!text.empty() && out.size() < 20000) out += text;
    out.resize(std::min<std::size_t>(out.size(), 20000));
    return std::u16string(out.begin(), out.end());  // ASCII samples
}

// Renders the text in one piece into memory with a voice: audio seconds, and
// the process's CPU seconds and the wall seconds it took.
void MeasureRenderSpeed(const std::u16string& identifier, const std::u16string& text, double* espeakCpu)
{
    struct Counter final : ComObject<ISpStreamFormat> {
        ULONG bytes = 0;
        STDMETHOD(Write)(const void*, ULONG n, ULONG*) override { bytes += n; return S_OK; }
        STDMETHOD(GetFormat)(GUID* id, WAVEFORMATEX** f) override
        {
            CComPtr<ISpStreamFormat> out;
            out.CoCreateInstance(CLSID_SpMMAudioOut);
            return out->GetFormat(id, f);
        }
    };
    CComPtr<ISpObjectToken> token = TokenFor(identifier);
    if (!token) {
        std::printf("%-44s not installed\n", std::string(identifier.begin(), identifier.end()).c_str());
        return;
    }
    CComPtr<ISpVoice> voice;
    voice.CoCreateInstance(CLSID_SpVoice);
    voice->SetVoice(token);
    CComPtr<Counter> counter;
    counter.Attach(NewComObject<Counter>());
    voice->SetOutput(static_cast<ISpStreamFormat*>(counter), TRUE);
    double cpu = ProcessCpuSeconds();
    auto wall = Clock::now();
    voice->Speak(text.c_str(), SPF_IS_NOT_XML, nullptr);
    cpu = ProcessCpuSeconds() - cpu;
    double wallSeconds = Ms(Clock::now() - wall) / 1000;
    double audio = counter->bytes / 44100.0;
    if (*espeakCpu == 0) *espeakCpu = cpu;
    std::printf("20 KB, %-20s audio %6.1f s  CPU %6.2f s (%5.1fx real time, %4.1fx espeak-ng's CPU)  wall %6.2f s\n",
                std::string(identifier.begin(), identifier.end()).c_str(), audio, cpu, audio / cpu, cpu / *espeakCpu,
                wallSeconds);
}
}  // namespace

// Speak -> first audio and purge -> silence, over `runs` Read requests of `text`.
void MeasureReadAndStop(ISpVoice* voice, TimedOutput* output, Recorder& recorder, const char16_t* text, int runs,
                        const std::string& label)
{
    std::vector<double> toWrite, toHeard, purgeReturn, purgeSilent;
    for (int run = 0; run < runs; ++run) {
        output->Reset();
        auto spoken = Clock::now();
        if (FAILED(voice->Speak(text, SPF_ASYNC, nullptr))) {
            std::printf("Speak failed: is a sound server running?\n");
            return;
        }
        while (output->firstWrite() == Clock::time_point{}) std::this_thread::sleep_for(100us);
        toWrite.push_back(Ms(output->firstWrite() - spoken));
        std::this_thread::sleep_for(600ms);  // well into the sentence
        if (recorder.ok()) {
            auto heard = recorder.firstLoudAfter(spoken);
            if (heard != Clock::time_point{}) toHeard.push_back(Ms(heard - spoken));
        }
        auto purged = Clock::now();
        voice->Speak(u"", SPF_PURGEBEFORESPEAK, nullptr);
        purgeReturn.push_back(Ms(Clock::now() - purged));
        if (std::getenv("BENCH_VERBOSE")) std::printf("run %d: purge returned after %.1f ms\n", run, purgeReturn.back());
        std::this_thread::sleep_for(400ms);
        if (recorder.ok()) purgeSilent.push_back(std::max(0.0, Ms(recorder.lastLoud() - purged)));
    }
    Print((label + "Speak -> first audio written to the output").c_str(), toWrite, "< 100 ms");
    if (recorder.ok()) Print((label + "Speak -> first audio heard at the sink (+10)").c_str(), toHeard, "-");
    Print((label + "purge -> Speak returns").c_str(), purgeReturn, "-");
    if (recorder.ok()) Print((label + "purge -> sink silent (10 ms chunks)").c_str(), purgeSilent, "< 50 ms");
}

// Pause -> silence and Resume -> sound at the sink, in the middle of a sentence.
void MeasurePauseAndResume(ISpVoice* voice, Recorder& recorder, const char16_t* text, int runs, const std::string& label)
{
    std::vector<double> toSilence, toSound;
    for (int run = 0; run < runs; ++run) {
        if (FAILED(voice->Speak(text, SPF_ASYNC, nullptr))) return;
        std::this_thread::sleep_for(700ms);  // well into the sentence
        auto paused = Clock::now();
        voice->Pause();
        std::this_thread::sleep_for(400ms);
        toSilence.push_back(std::max(0.0, Ms(recorder.lastLoud() - paused)));
        auto resumed = Clock::now();
        voice->Resume();
        std::this_thread::sleep_for(300ms);
        auto heard = recorder.firstLoudAfter(resumed);
        if (heard != Clock::time_point{}) toSound.push_back(Ms(heard - resumed));
        voice->Speak(u"", SPF_PURGEBEFORESPEAK, nullptr);
        std::this_thread::sleep_for(300ms);
    }
    Print((label + "Pause -> sink silent (10 ms chunks)").c_str(), toSilence, "< 50 ms");
    Print((label + "Resume -> sound at the sink (10 ms chunks)").c_str(), toSound, "< 50 ms");
}

// A word event's delivery against its word's first sound at the sink: sentences of
// one word each, so every word begins after a pause the recorder can see.
void MeasureWordEvents(ISpVoice* voice, Recorder& recorder, int runs, const std::string& label)
{
    voice->SetInterest(SPFEI(SPEI_WORD_BOUNDARY), SPFEI(SPEI_WORD_BOUNDARY));
    std::vector<double> offsets;
    for (int run = 0; run < runs; ++run) {
        std::vector<Clock::time_point> delivered;
        if (FAILED(voice->Speak(u"Ready. Steady. Go. Stop.", SPF_ASYNC, nullptr))) return;
        while (voice->WaitUntilDone(0) == S_FALSE || delivered.size() < 4) {
            SPEVENT event{};
            if (voice->GetEvents(1, &event, nullptr) == S_OK) {
                delivered.push_back(Clock::now());
            } else if (voice->WaitUntilDone(0) == S_OK) {
                break;
            } else {
                std::this_thread::sleep_for(500us);
            }
        }
        std::this_thread::sleep_for(200ms);
        const std::vector<Clock::time_point> onsets = recorder.onsets(80ms);
        for (Clock::time_point at : delivered) {
            double nearest = 1e9;
            for (Clock::time_point onset : onsets)
                if (std::abs(Ms(onset - at)) < std::abs(nearest)) nearest = Ms(onset - at);
            if (std::abs(nearest) < 300) offsets.push_back(std::abs(nearest));
        }
    }
    voice->SetInterest(0, 0);
    Print((label + "word event <-> its sound at the sink (10 ms)").c_str(), offsets, "< 30 ms");
}

int main()
{
    CoInitialize(nullptr);
    RegisterSpeechClasses();
    constexpr int kRuns = 10;
    const char16_t* sentence = u"Hello, this is a short sentence.";

    // Voice list as the dialog gets it at start-up: first use in the process.
    auto listStart = Clock::now();
    CComPtr<ISpObjectTokenCategory> category;
    category.CoCreateInstance(CLSID_SpObjectTokenCategory);
    category->SetId(SPCAT_VOICES, FALSE);
    CComPtr<IEnumSpObjectTokens> tokens;
    category->EnumTokens(nullptr, nullptr, &tokens);
    ULONG count = 0;
    tokens->GetCount(&count);
    for (ULONG i = 0; i < count; ++i) {
        CComPtr<ISpObjectToken> token;
        tokens->Next(1, &token, nullptr);
        LPWSTR description = nullptr;
        token->GetStringValue(nullptr, &description);
        CoTaskMemFree(description);
    }
    std::printf("%-44s %7.1f ms for %u voices (goal: dialog start-up < 500 ms)\n", "voice list, first use in process",
                Ms(Clock::now() - listStart), count);

    CComPtr<ISpVoice> voice;
    voice.CoCreateInstance(CLSID_SpVoice);
    CComPtr<TimedOutput> output;
    output.Attach(NewComObject<TimedOutput>());
    if (FAILED(voice->SetOutput(static_cast<ISpStreamFormat*>(output), TRUE))) return 1;

    Recorder recorder;
    if (!recorder.ok()) std::printf("no monitor to record: heard figures left out\n");
    // The first Speak connects to the server (only an output that plays does); the
    // runs measure later ones. A null sink that had no stream takes up to 2 s to
    // notice a new one.
    auto connecting = Clock::now();
    if (FAILED(output->Open())) {
        std::printf("no sound server answered\n");
        return 1;
    }
    std::printf("%-44s %7.1f ms\n", "connecting to the sound server", Ms(Clock::now() - connecting));
    PrintConnectFigures();
    std::this_thread::sleep_for(2500ms);

    const char16_t* longSentence = u"This sentence goes on for a while, so that it can be paused and resumed "
                                   u"in the middle of its words, and then it ends.";
    if (CComPtr<ISpObjectToken> espeak = TokenFor(u"gmw/en")) voice->SetVoice(espeak);
    MeasureReadAndStop(voice, output, recorder, sentence, kRuns, "");
    if (recorder.ok()) {
        MeasurePauseAndResume(voice, recorder, longSentence, kRuns, "");
        MeasureWordEvents(voice, recorder, kRuns, "");
    }
    if (CComPtr<ISpObjectToken> slt = TokenFor(u"flite/cmu_us_slt")) {
        voice->SetVoice(slt);
        MeasureReadAndStop(voice, output, recorder, sentence, kRuns, "flite SLT: ");
        if (recorder.ok()) {
            MeasurePauseAndResume(voice, recorder, longSentence, kRuns, "flite SLT: ");
            MeasureWordEvents(voice, recorder, kRuns, "flite SLT: ");
        }
    }
    if (CComPtr<ISpObjectToken> espeak = TokenFor(u"gmw/en")) voice->SetVoice(espeak);
    // A long text as the dialog reads it (1 MB typed or loaded): synthesis runs only a
    // little ahead of what is heard, so it starts and stops as a sentence does.
    std::u16string longText;
    while (longText.size() < 1000000) longText += u"The keeper climbs the stair at dusk and lights the lamp. ";
    MeasureReadAndStop(voice, output, recorder, longText.c_str(), 5, "1 MB text: ");

    // Speed range: duration of a sentence at the extreme rates.
    auto duration = [&](LONG rate) {
        struct Counter final : ComObject<ISpStreamFormat> {
            ULONG bytes = 0;
            STDMETHOD(Write)(const void*, ULONG n, ULONG*) override { bytes += n; return S_OK; }
            STDMETHOD(GetFormat)(GUID* id, WAVEFORMATEX** f) override
            {
                CComPtr<ISpStreamFormat> out;
                out.CoCreateInstance(CLSID_SpMMAudioOut);
                return out->GetFormat(id, f);
            }
        };
        CComPtr<Counter> counter;
        counter.Attach(NewComObject<Counter>());
        voice->SetOutput(static_cast<ISpStreamFormat*>(counter), TRUE);
        voice->SetRate(rate);
        voice->Speak(u"The quick brown fox jumps over the lazy dog, and then it runs far away into the forest.",
                     SPF_IS_NOT_XML, nullptr);
        return counter->bytes / 44100.0;
    };
    double slow = duration(-10), normal = duration(0), fast = duration(10);
    std::printf("sentence at rate -10 / 0 / 10: %.2f / %.2f / %.2f s: %.2fx slower, %.2fx faster\n", slow, normal,
                fast, slow / normal, normal / fast);
    voice.Release();

    // Rendering speed of one piece (no workers) on the same 20 KB text.
    const std::u16string text = TwentyKilobytes();
    double espeakCpu = 0;
    for (const char16_t* id : {u"gmw/en", u"flite/cmu_us_slt", u"flite/cmu_us_rms", u"flite/cmu_us_awb",
                               u"flite/cmu_us_kal", u"flite/cmu_us_kal16"})
        MeasureRenderSpeed(id, text, &espeakCpu);
    CoUninitialize();
    return 0;
}
