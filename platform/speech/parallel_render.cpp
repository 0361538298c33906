#include "parallel_render.h"

#include "file_output.h"
#include "ordered_render.h"
#include "render_workers.h"

#include <atlbase.h>

#include <thread>

namespace speech {
namespace {

unsigned Cores() { return std::max(1u, std::thread::hardware_concurrency()); }

}  // namespace

std::optional<HRESULT> RenderInParallel(const std::vector<SpeechPiece>& pieces, const VoiceSettings& settings,
                                        ISequentialStream* output, const WAVEFORMATEX& format, CancelToken& cancel,
                                        const InputProgress& progress, const std::vector<std::size_t>& chapterStarts)
{
    if (pieces.size() != 1 || pieces[0].kind != SpeechPiece::Kind::Text) return std::nullopt;
    const SpeechPiece& piece = pieces[0];
    CutText cut = CutIntoPiecesAt(piece.text, chapterStarts);
    if (cut.spans.size() < 2 || Cores() < 2) return std::nullopt;
    CComPtr<IEngineFileOutput> file;
    if (FAILED(output->QueryInterface(IID_IEngineFileOutput, reinterpret_cast<void**>(&file)))) return std::nullopt;
    PieceFormat pieceFormat;
    if (FAILED(file->GetPieceFormat(&pieceFormat))) return std::nullopt;
    std::unique_ptr<WorkerLauncher> launcher = ProcessWorkers();
    if (!launcher) return std::nullopt;

    PieceLayout layout;
    layout.base.voice = settings.voice;
    layout.base.style = StyleOf(piece, settings);
    layout.base.gain = GainOf(piece, settings);
    layout.base.format = format;
    layout.base.container = pieceFormat.container;
    layout.startsFile = pieceFormat.startsFile;
    layout.text = piece.text;
    layout.spans = std::move(cut.spans);
    layout.chapterPieces = std::move(cut.startingPieces);
    OrderedRenderLimits limits;
    limits.workers = Cores();
    ULONG position = 0;
    return RenderInOrder(layout, *launcher, limits, file, cancel, [&](std::size_t index) {
        const TextSpan& span = layout.spans[index];
        position += static_cast<ULONG>(Utf16Length(layout.text.substr(span.start, span.length)));
        if (progress) progress(position);
    });
}

}  // namespace speech
