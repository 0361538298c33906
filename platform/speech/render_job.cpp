#include "render_job.h"

#include "pcm_converter.h"
#include "wave_format.h"

#include <cstring>
#include <optional>

namespace speech {
namespace {

constexpr std::uint32_t kMagic = 0x334A5356;  // "VSJ3": its outcome may carry the events

struct Header {
    std::uint32_t magic;
    std::int32_t rate, pitch, emphasis, spell, gain;
    std::uint32_t formatTag, channels, samplesPerSec, avgBytesPerSec, blockAlign, bitsPerSample;
    std::uint32_t container, startsFile, hasPrevious, hasNext, tellsEvents;
    std::uint32_t voiceBytes, nextTextBytes, textBytes;  // the text's size last, where a piece's grows
};
static_assert(sizeof(Header) == kJobHeaderBytes);

}  // namespace

std::string EncodeJob(const RenderJob& job)
{
    const WAVEFORMATEX& f = job.format;
    Header header{kMagic,         job.style.rate,        job.style.pitch, job.style.emphasis, job.style.spell,
                  job.gain,       f.wFormatTag,          f.nChannels,     f.nSamplesPerSec,   f.nAvgBytesPerSec,
                  f.nBlockAlign,  f.wBitsPerSample,      static_cast<std::uint32_t>(job.container),
                  job.startsFile, job.hasPrevious, job.hasNext, job.tellsEvents,
                  static_cast<std::uint32_t>(job.voice.size()),
                  static_cast<std::uint32_t>(job.nextText.size()), static_cast<std::uint32_t>(job.text.size())};
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    bytes += job.voice;
    bytes += job.text;
    bytes += job.nextText;
    return bytes;
}

std::optional<std::size_t> EncodedJobSize(std::string_view bytes)
{
    Header header;
    if (bytes.size() < sizeof header) return std::nullopt;
    std::memcpy(&header, bytes.data(), sizeof header);
    std::size_t size = sizeof header + std::size_t{header.voiceBytes} + header.textBytes + header.nextTextBytes;
    if (header.magic != kMagic || size > kLargestJobBytes) return std::nullopt;
    return size;
}

std::optional<RenderJob> DecodeJob(std::string_view bytes)
{
    Header header;
    if (bytes.size() < sizeof header) return std::nullopt;
    std::memcpy(&header, bytes.data(), sizeof header);
    bytes.remove_prefix(sizeof header);
    if (header.magic != kMagic
        || std::size_t{header.voiceBytes} + header.textBytes + header.nextTextBytes != bytes.size())
        return std::nullopt;
    RenderJob job;
    job.style.rate = header.rate;
    job.style.pitch = header.pitch;
    job.style.emphasis = header.emphasis != 0;
    job.style.spell = header.spell != 0;
    job.gain = header.gain;
    job.format.wFormatTag = static_cast<WORD>(header.formatTag);
    job.format.nChannels = static_cast<WORD>(header.channels);
    job.format.nSamplesPerSec = header.samplesPerSec;
    job.format.nAvgBytesPerSec = header.avgBytesPerSec;
    job.format.nBlockAlign = static_cast<WORD>(header.blockAlign);
    job.format.wBitsPerSample = static_cast<WORD>(header.bitsPerSample);
    if (header.container > static_cast<std::uint32_t>(AudioContainer::M4b)) return std::nullopt;
    job.container = static_cast<AudioContainer>(header.container);
    job.startsFile = header.startsFile != 0;
    job.hasPrevious = header.hasPrevious != 0;
    job.hasNext = header.hasNext != 0;
    job.tellsEvents = header.tellsEvents != 0;
    if (!IsSupportedPcm(job.format) || job.gain < 0 || job.gain > 10000) return std::nullopt;
    job.voice.assign(bytes.substr(0, header.voiceBytes));
    job.text.assign(bytes.substr(header.voiceBytes, header.textBytes));
    job.nextText.assign(bytes.substr(std::size_t{header.voiceBytes} + header.textBytes));
    return job;
}

WorkerExit RunJob(const RenderJob& job, const ByteSink& sink, SpokenPiece* spoken)
{
    PcmConverter converter(job.format);
    const bool passThrough = converter.PassesThrough(job.gain);
    std::vector<std::uint8_t> bytes;
    bool sinkFailed = false;
    std::optional<SpokenEvents> events;
    if (spoken) events.emplace(job.text, [spoken](const SpokenEvent& event) { spoken->events.push_back(event); });
    const WordSink words = [&](const WordMark& word) { events->Word(word); };
    HRESULT hr = SynthesizeOnFreshCopy(job.voice, job.style, job.text,
                                       [&](const std::int16_t* samples, std::size_t count) {
                                           if (spoken) {
                                               events->Samples(samples, count);
                                               spoken->samples += count;
                                           }
                                           auto* data = reinterpret_cast<const std::uint8_t*>(samples);
                                           std::size_t size = count * sizeof *samples;
                                           if (!passThrough) {
                                               bytes.clear();
                                               converter.Push(samples, count, job.gain, bytes);
                                               data = bytes.data(), size = bytes.size();
                                           }
                                           sinkFailed = !sink(data, size);
                                           return !sinkFailed;
                                       },
                                       spoken ? &words : nullptr);
    if (events) events->Finish();
    if (sinkFailed) return kWorkerOutputFailed;
    if (FAILED(hr)) return kWorkerEngineFailed;
    bytes.clear();
    converter.Finish(bytes);
    return sink(bytes.data(), bytes.size()) ? kWorkerDone : kWorkerOutputFailed;
}

}  // namespace speech
