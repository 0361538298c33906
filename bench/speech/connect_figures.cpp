#include "connect_figures.h"

#include "../figures.h"

#include "pulse_calls.h"
#include "sp_mm_audio_out.h"

#include <atlbase.h>
#include <objbase.h>
#include <sapi.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <vector>

namespace {

using bench::Clock;
using bench::Ms;

speech::pulse::PlaybackStream* Refusing(const pa_sample_spec*, const pa_buffer_attr*, int* error)
{
    *error = PA_ERR_CONNECTIONREFUSED;
    return nullptr;
}

// Hangs until released, as a server that accepted the socket and then said nothing.
struct Silence {
    static inline std::mutex mutex;
    static inline std::condition_variable released;
    static inline bool over = false;
};

speech::pulse::PlaybackStream* NeverAnswering(const pa_sample_spec*, const pa_buffer_attr*, int* error)
{
    std::unique_lock lock(Silence::mutex);
    Silence::released.wait(lock, [] { return Silence::over; });
    *error = PA_ERR_TIMEOUT;
    return nullptr;
}

// Milliseconds from Speak to its failure with `connect` in place of the server.
double TimeToFail(decltype(speech::pulse::Table::connect) connect)
{
    speech::pulse::Table table = speech::pulse::RealCalls();
    table.connect = connect;
    speech::pulse::ScopedOverride server(table);
    CComPtr<ISpVoice> voice;
    voice.CoCreateInstance(CLSID_SpVoice);
    auto started = Clock::now();
    voice->Speak(u"Nobody hears this.", SPF_ASYNC, nullptr);
    return Ms(Clock::now() - started);
}

}  // namespace

void PrintConnectFigures()
{
    std::vector<double> refused;
    for (int run = 0; run < 10; ++run) refused.push_back(TimeToFail(Refusing));
    std::printf("%-44s median %7.1f ms  (n=%zu, goal: at once)\n", "server refuses -> Speak fails",
                bench::Median(refused), refused.size());
    double silent = TimeToFail(NeverAnswering);
    std::printf("%-44s %7.1f ms  (connect timeout %lld ms)\n", "server never answers -> Speak gives up", silent,
                static_cast<long long>(speech::SpMMAudioOut::kConnectTimeout.count()));
    {
        std::lock_guard lock(Silence::mutex);
        Silence::over = true;
    }
    Silence::released.notify_all();
}
