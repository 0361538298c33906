#include "rate_converter.h"

#include <sapi.h>

#include <soxr.h>

#include <cmath>

namespace speech {
namespace {

soxr_t Soxr(void* handle) { return static_cast<soxr_t>(handle); }

}  // namespace

std::unique_ptr<RateConverter> RateConverter::Create(double inputRate, double outputRate, unsigned channels,
                                                     Sink sink)
{
    soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    // No dither: soxr seeds it from the clock, so the same text would encode to
    // other bytes each run, and the pieces' joins would differ.
    io.flags |= SOXR_NO_DITHER;
    soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_runtime_spec_t runtime = soxr_runtime_spec(1);  // this thread only: the workers are the parallelism
    soxr_error_t error = nullptr;
    soxr_t soxr = soxr_create(inputRate, outputRate, channels, &error, &io, &quality, &runtime);
    if (!soxr || error) return nullptr;
    return std::unique_ptr<RateConverter>(new RateConverter(soxr, channels, outputRate / inputRate, std::move(sink)));
}

RateConverter::RateConverter(void* soxr, unsigned channels, double ratio, Sink sink)
    : soxr_(soxr), channels_(channels), ratio_(ratio), sink_(std::move(sink))
{
}

RateConverter::~RateConverter() { soxr_delete(Soxr(soxr_)); }

HRESULT RateConverter::Run(const std::int16_t* samples, std::size_t frames)
{
    const std::size_t room = static_cast<std::size_t>(std::ceil(static_cast<double>(frames) * ratio_)) + 1024;
    if (room > outFrames_) {
        out_.reset(new std::int16_t[room * channels_]);
        outFrames_ = room;
    }
    for (;;) {
        std::size_t used = 0, made = 0;
        // A null input asks the filter for its last samples.
        if (soxr_process(Soxr(soxr_), samples, frames, &used, out_.get(), outFrames_, &made)) return SPERR_ENGINE_FAILED;
        if (made)
            if (HRESULT hr = sink_(out_.get(), made); FAILED(hr)) return hr;
        if (samples) {
            samples += used * channels_;
            frames -= used;
            if (frames == 0 && made < outFrames_) return S_OK;
        } else if (made < outFrames_) {
            return S_OK;
        }
    }
}

HRESULT RateConverter::Push(const std::int16_t* samples, std::size_t frames)
{
    return frames ? Run(samples, frames) : S_OK;
}

HRESULT RateConverter::Finish() { return Run(nullptr, 0); }

}  // namespace speech
