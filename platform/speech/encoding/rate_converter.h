// Converts the rate of 16-bit samples as they come, for a codec that takes only
// some rates (Opus). On libsoxr: sample-exact in time, fast enough to be a small
// part of the encoding.
#pragma once

#include <winerror.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace speech {

class RateConverter {
public:
    using Sink = std::function<HRESULT(const std::int16_t* samples, std::size_t frames)>;
    // nullptr when libsoxr cannot make the converter.
    static std::unique_ptr<RateConverter> Create(double inputRate, double outputRate, unsigned channels, Sink sink);
    ~RateConverter();
    RateConverter(const RateConverter&) = delete;
    RateConverter& operator=(const RateConverter&) = delete;

    HRESULT Push(const std::int16_t* samples, std::size_t frames);
    // Delivers what the filter still holds.
    HRESULT Finish();

private:
    RateConverter(void* soxr, unsigned channels, double ratio, Sink sink);
    HRESULT Run(const std::int16_t* samples, std::size_t frames);

    void* soxr_;
    unsigned channels_;
    double ratio_;
    Sink sink_;
    std::unique_ptr<std::int16_t[]> out_;
    std::size_t outFrames_ = 0;
};

}  // namespace speech
