#include "resampler.h"

#include <samplerate.h>

namespace speech {
namespace {
constexpr std::size_t kChunkSamples = 1024;
}

Resampler::Resampler(int fromRate, int toRate) : ratio_(double(toRate) / fromRate)
{
    int error = 0;
    state_ = src_new(SRC_SINC_MEDIUM_QUALITY, 1, &error);
    failed_ = state_ == nullptr;
    in_.resize(kChunkSamples);
    out_.resize(static_cast<std::size_t>(kChunkSamples * ratio_) + 64);
    ready_.resize(out_.size());
}

Resampler::~Resampler()
{
    if (state_) src_delete(state_);
}

bool Resampler::Push(const std::int16_t* samples, std::size_t count, const PcmSink& sink)
{
    for (std::size_t at = 0; at < count; at += kChunkSamples)
        if (!Process(samples + at, std::min(kChunkSamples, count - at), false, sink)) return false;
    return true;
}

bool Resampler::Finish(const PcmSink& sink)
{
    bool done = Process(nullptr, 0, true, sink);
    if (state_) src_reset(state_);
    return done;
}

bool Resampler::Process(const std::int16_t* samples, std::size_t count, bool last, const PcmSink& sink)
{
    if (!state_) return false;
    src_short_to_float_array(samples, in_.data(), static_cast<int>(count));
    SRC_DATA data{};
    data.data_in = in_.data();
    data.input_frames = static_cast<long>(count);
    data.src_ratio = ratio_;
    data.end_of_input = last ? 1 : 0;
    // The converter may hold input back; it is called until it takes all and gives nothing more.
    for (;;) {
        data.data_out = out_.data();
        data.output_frames = static_cast<long>(out_.size());
        if (src_process(state_, &data) != 0) {
            failed_ = true;
            return false;
        }
        if (data.output_frames_gen > 0) {
            src_float_to_short_array(out_.data(), reinterpret_cast<short*>(ready_.data()),
                                     static_cast<int>(data.output_frames_gen));
            if (!sink(ready_.data(), static_cast<std::size_t>(data.output_frames_gen))) return false;
        }
        data.data_in += data.input_frames_used;
        data.input_frames -= data.input_frames_used;
        if (data.input_frames == 0 && data.output_frames_gen == 0) return true;
    }
}

}  // namespace speech
