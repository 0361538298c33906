#include "request_renderer.h"

#include "file_output.h"
#include "pcm_converter.h"
#include "text_pieces.h"

#include <atlbase.h>

#include <algorithm>

namespace speech {
namespace {

constexpr std::size_t kSilenceChunkSamples = kNativeSampleRate / 50;  // 20 ms

class OutputWriter {
public:
    OutputWriter(ISequentialStream* output, const WAVEFORMATEX& format, CancelToken& cancel)
        : output_(output), converter_(format), cancel_(cancel)
    {
        // Writes of about 10 ms: a purge is noticed between two of them.
        pieceBytes_ = std::max<std::size_t>(format.nBlockAlign, format.nAvgBytesPerSec / 100 / format.nBlockAlign
                                                                   * format.nBlockAlign);
    }

    // False when the request must stop (cancelled or the output failed).
    bool Push(const std::int16_t* samples, std::size_t count, int gain)
    {
        bytes_.clear();
        converter_.Push(samples, count, gain, bytes_);
        return WriteBytes();
    }

    bool Finish()
    {
        bytes_.clear();
        converter_.Finish(bytes_);
        return WriteBytes();
    }

    HRESULT result() const { return result_; }
    bool stopped() const { return FAILED(result_) || cancel_.IsCancelled(); }

private:
    bool WriteBytes()
    {
        for (std::size_t at = 0; at < bytes_.size(); at += pieceBytes_) {
            if (cancel_.IsCancelled()) return false;
            auto size = static_cast<ULONG>(std::min(pieceBytes_, bytes_.size() - at));
            HRESULT hr = output_->Write(bytes_.data() + at, size, nullptr);
            if (FAILED(hr)) {
                result_ = hr;
                return false;
            }
        }
        return !cancel_.IsCancelled();
    }

    ISequentialStream* output_;
    PcmConverter converter_;
    CancelToken& cancel_;
    std::size_t pieceBytes_;
    std::vector<std::uint8_t> bytes_;
    HRESULT result_ = S_OK;
};

}  // namespace

SpeechStyle StyleOf(const SpeechPiece& piece, const VoiceSettings& settings)
{
    SpeechStyle style;
    style.rate = std::clamp(piece.absoluteRate.value_or(settings.rate) + piece.rateChange, -10, 10);
    style.pitch = piece.pitch;
    style.emphasis = piece.emphasis;
    style.spell = piece.spell;
    return style;
}

int GainOf(const SpeechPiece& piece, const VoiceSettings& settings)
{
    return std::clamp(settings.volume, 0, 100) * std::clamp(piece.volume, 0, 100);
}

std::vector<std::size_t> TakeChapterStarts(const std::vector<SpeechPiece>& pieces, ISequentialStream* output)
{
    CComPtr<IEngineFileOutput> file;
    if (!output || FAILED(output->QueryInterface(IID_IEngineFileOutput, reinterpret_cast<void**>(&file)))) return {};
    if (pieces.size() != 1 || pieces[0].kind != SpeechPiece::Kind::Text) return {};
    std::vector<ULONG> units;
    file->TakeChapterStarts(&units);
    std::vector<std::size_t> starts;
    for (ULONG position : units) starts.push_back(Utf8OffsetOfUnits(pieces[0].text, position));
    return starts;
}

namespace {

// The text of one piece said in stretches, the output told where each chapter begins.
HRESULT SynthesizeInChapters(Synthesizer::Session& synthesizer, const SpeechPiece& piece,
                             const VoiceSettings& settings, const std::vector<std::size_t>& chapterStarts,
                             ISequentialStream* output, const PcmSink& sink)
{
    CComPtr<IEngineFileOutput> file;
    output->QueryInterface(IID_IEngineFileOutput, reinterpret_cast<void**>(&file));
    const SpeechStyle style = StyleOf(piece, settings);
    const std::string_view text = piece.text;
    std::size_t from = 0;
    for (std::size_t next = 0; next <= chapterStarts.size(); ++next) {
        const std::size_t to = next < chapterStarts.size() ? std::min(chapterStarts[next], text.size()) : text.size();
        if (to > from)
            if (HRESULT hr = synthesizer.Synthesize(settings.voice, style, text.substr(from, to - from), sink); FAILED(hr))
                return hr;
        from = std::max(from, to);
        if (next < chapterStarts.size() && file) file->StartChapter();
    }
    return S_OK;
}

}  // namespace

HRESULT RenderRequest(const std::vector<SpeechPiece>& pieces, const VoiceSettings& settings,
                      ISequentialStream* output, const WAVEFORMATEX& format, CancelToken& cancel,
                      const std::vector<std::size_t>& chapterStarts)
{
    OutputWriter writer(output, format, cancel);
    Synthesizer::Session synthesizer = Synthesizer::Instance().Begin();
    if (!chapterStarts.empty() && pieces.size() == 1 && pieces[0].kind == SpeechPiece::Kind::Text) {
        const int gain = GainOf(pieces[0], settings);
        HRESULT hr = SynthesizeInChapters(synthesizer, pieces[0], settings, chapterStarts, output,
                                          [&](const std::int16_t* samples, std::size_t count) {
                                              return writer.Push(samples, count, gain);
                                          });
        if (FAILED(hr)) return hr;
        if (writer.stopped()) return writer.result();
        writer.Finish();
        return writer.result();
    }
    for (const SpeechPiece& piece : pieces) {
        int gain = GainOf(piece, settings);
        if (piece.kind == SpeechPiece::Kind::Silence) {
            static const std::int16_t kZeros[kSilenceChunkSamples] = {};
            std::size_t left = std::size_t{piece.silenceMs} * kNativeSampleRate / 1000;
            while (left > 0 && !writer.stopped()) {
                std::size_t count = std::min(left, kSilenceChunkSamples);
                writer.Push(kZeros, count, gain);
                left -= count;
            }
        } else {
            HRESULT hr = synthesizer.Synthesize(settings.voice, StyleOf(piece, settings), piece.text,
                                                [&](const std::int16_t* samples, std::size_t count) {
                                                    return writer.Push(samples, count, gain);
                                                });
            if (FAILED(hr)) return hr;
        }
        if (writer.stopped()) return writer.result();
    }
    writer.Finish();
    return writer.result();
}

}  // namespace speech
