#include "parallel_render.h"

#include "file_output.h"
#include "ordered_render.h"
#include "render_workers.h"
#include "source_positions.h"
#include "spoken_piece.h"

#include <atlbase.h>

#include <optional>
#include <thread>

namespace speech {
namespace {

unsigned Cores() { return std::max(1u, std::thread::hardware_concurrency()); }

// The pieces' events, told to the observer as one rendering of the whole text
// would: positions in the request's text, offsets from the first piece's start.
class PiecesTold {
public:
    PiecesTold(const SpeechPiece& piece, const std::vector<TextSpan>& spans, const WAVEFORMATEX& format,
               RenderObserver& observer)
        : positions_(piece), spans_(spans), format_(format), observer_(observer)
    {
        Tell(SPEI_START_INPUT_STREAM);
    }
    ~PiecesTold() { Tell(SPEI_END_INPUT_STREAM); }
    PiecesTold(const PiecesTold&) = delete;
    PiecesTold& operator=(const PiecesTold&) = delete;

    void Piece(std::size_t index, const std::string& events)
    {
        std::optional<SpokenPiece> spoken = DecodeSpokenPiece(events);
        if (!spoken) return;  // a worker's word is not worth failing the file for
        for (const SpokenEvent& event : spoken->events)
            observer_.Event(RenderedFrom(event, positions_, spans_[index].start, format_, samples_));
        samples_ += spoken->samples;
    }

private:
    void Tell(SPEVENTENUM id)
    {
        RenderedEvent event;
        event.id = id;
        event.offset = OutputBytesAt(format_, samples_);
        observer_.Event(event);
    }

    SourcePositions positions_;
    const std::vector<TextSpan>& spans_;
    const WAVEFORMATEX& format_;
    RenderObserver& observer_;
    std::uint64_t samples_ = 0;  // of the pieces told so far
};

// Nothing done: the request is better rendered in one piece.
constexpr HRESULT kRenderWhole = S_FALSE;

}  // namespace

HRESULT RenderInParallel(const std::vector<SpeechPiece>& pieces, const VoiceSettings& settings,
                         ISequentialStream* output, const WAVEFORMATEX& format, CancelToken& cancel,
                         const InputProgress& progress, const std::vector<std::size_t>& chapterStarts,
                         RenderObserver* observer)
{
    if (pieces.size() != 1 || pieces[0].kind != SpeechPiece::Kind::Text) return kRenderWhole;
    const SpeechPiece& piece = pieces[0];
    CutText cut = CutIntoPiecesAt(piece.text, chapterStarts);
    if (cut.spans.size() < 2 || Cores() < 2) return kRenderWhole;
    CComPtr<IEngineFileOutput> file;
    if (FAILED(output->QueryInterface(IID_IEngineFileOutput, reinterpret_cast<void**>(&file)))) return kRenderWhole;
    PieceFormat pieceFormat;
    if (FAILED(file->GetPieceFormat(&pieceFormat))) return kRenderWhole;
    std::unique_ptr<WorkerLauncher> launcher = ProcessWorkers();
    if (!launcher) return kRenderWhole;

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
    layout.base.tellsEvents = observer != nullptr;
    OrderedRenderLimits limits;
    limits.workers = Cores();
    ULONG position = 0;
    std::optional<PiecesTold> told;
    if (observer) told.emplace(piece, layout.spans, format, *observer);
    return RenderInOrder(
        layout, *launcher, limits, file, cancel,
        [&](std::size_t index) {
            const TextSpan& span = layout.spans[index];
            position += static_cast<ULONG>(Utf16Length(layout.text.substr(span.start, span.length)));
            if (progress) progress(position);
        },
        [&](std::size_t index, const std::string& events) {
            if (told) told->Piece(index, events);
        });
}

}  // namespace speech
