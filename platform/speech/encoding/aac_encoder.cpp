#include "aac_encoder.h"

#include <sapi.h>

namespace speech {

CodecContextPtr OpenAacEncoder(const FfmpegLibrary& library, std::uint32_t rate, std::uint16_t channels, HRESULT* hr)
{
    *hr = SPERR_ENGINE_FAILED;
    const AVCodec* codec = library.FindEncoderByName("aac");
    if (!codec) return CodecContextPtr(nullptr, {&library});
    CodecContextPtr context(library.AllocContext(codec), {&library});
    if (!context) {
        *hr = E_OUTOFMEMORY;
        return context;
    }
    context->sample_rate = static_cast<int>(rate);
    context->sample_fmt = AV_SAMPLE_FMT_FLTP;
    library.ChannelLayoutDefault(&context->ch_layout, channels);
    context->bit_rate = channels == 1 ? kAacMonoBitsPerSecond : kAacStereoBitsPerSecond;
    context->profile = FF_PROFILE_AAC_LOW;
    context->time_base = AVRational{1, static_cast<int>(rate)};
    // The workers are the parallelism: one thread each.
    context->thread_count = 1;
    // The AudioSpecificConfig goes into the container, not into each frame.
    context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (int error = library.Open(context.get(), codec, nullptr); error < 0) {
        *hr = FfmpegFailure(error);
        context.reset();
        return context;
    }
    *hr = S_OK;
    return context;
}

}  // namespace speech
