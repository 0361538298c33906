#include "ordered_render.h"

#include "wav_file_writer.h"

#include <varnel/syscalls.h>

#include <cerrno>
#include <map>
#include <memory>

#include <poll.h>

namespace speech {
namespace {

constexpr int kCancelCheckMs = 20;

class OrderedRender {
public:
    OrderedRender(const PieceLayout& layout, WorkerLauncher& launcher, const OrderedRenderLimits& limits,
                  IEngineFileOutput* output, const PieceWritten& written, const PieceSpoken& spoken)
        : layout_(layout), launcher_(launcher), limits_(limits), output_(output), written_(written), spoken_(spoken)
    {
    }

    HRESULT Run(CancelToken& cancel)
    {
        while (due_ < layout_.spans.size()) {
            if (cancel.IsCancelled()) return S_OK;
            if (HRESULT hr = StartWorkers(); FAILED(hr)) return hr;
            if (HRESULT hr = AwaitDone(); FAILED(hr)) return hr;
            // A worker that is free again takes its next piece before the appends.
            if (HRESULT hr = StartWorkers(); FAILED(hr)) return hr;
            if (HRESULT hr = AppendFinishedPieces(); FAILED(hr)) return hr;
        }
        return S_OK;
    }

private:
    struct Running {
        std::size_t piece;
        win32::sys::UniqueFd audio;
        std::unique_ptr<PieceWorker> worker;
    };

    HRESULT StartWorkers()
    {
        const std::size_t ahead = std::size_t{limits_.workers} * limits_.piecesAheadPerWorker;
        while (running_.size() < limits_.workers && next_ < layout_.spans.size() && next_ < due_ + ahead) {
            int fd = -1;
            if (HRESULT hr = output_->CreateScratchFile(&fd); FAILED(hr)) return hr;
            win32::sys::UniqueFd audio(fd);
            RenderJob job = layout_.base;
            job.startsFile = layout_.startsFile && next_ == 0;
            const TextSpan& span = layout_.spans[next_];
            if (CarriesOverJoins(job.container)) {
                job.hasPrevious = next_ > 0;
                job.hasNext = next_ + 1 < layout_.spans.size();
                if (job.hasNext) {
                    const TextSpan& after = layout_.spans[next_ + 1];
                    job.nextText.assign(layout_.text.substr(after.start, after.length));
                }
            }
            job.text.assign(layout_.text.substr(span.start, span.length));
            std::unique_ptr<PieceWorker> worker;
            if (HRESULT hr = launcher_.Start(job, audio.get(), worker); FAILED(hr)) return hr;
            running_.push_back({next_++, std::move(audio), std::move(worker)});
        }
        return S_OK;
    }

    HRESULT AwaitDone()
    {
        std::vector<pollfd> fds;
        for (const Running& r : running_) fds.push_back({r.worker->DoneDescriptor(), POLLIN, 0});
        int ready = poll(fds.data(), fds.size(), kCancelCheckMs);
        if (ready < 0) return errno == EINTR ? S_OK : HresultFromErrno(errno);
        for (std::size_t i = fds.size(); i-- > 0;) {
            if (!fds[i].revents) continue;
            if (HRESULT hr = running_[i].worker->Finish(); FAILED(hr)) return hr;
            finished_.emplace(running_[i].piece, Finished{std::move(running_[i].audio), running_[i].worker->TakeEvents()});
            running_.erase(running_.begin() + static_cast<std::ptrdiff_t>(i));
        }
        return S_OK;
    }

    HRESULT AppendFinishedPieces()
    {
        const std::size_t wasDue = due_;
        for (auto piece = finished_.find(due_); piece != finished_.end(); piece = finished_.find(due_)) {
            while (nextChapter_ < layout_.chapterPieces.size() && layout_.chapterPieces[nextChapter_] == due_) {
                output_->StartChapter();
                ++nextChapter_;
            }
            if (spoken_) spoken_(due_, piece->second.events);
            if (HRESULT hr = output_->AppendScratchFile(piece->second.audio.get()); FAILED(hr)) return hr;
            finished_.erase(piece);
            if (written_) written_(due_);
            ++due_;
        }
        // Only the last piece is left: sync the rest while it renders.
        if (due_ != wasDue && due_ + 1 == layout_.spans.size())
            output_->StartSync();  // a hint: a failed sync fails the file at its end
        return S_OK;
    }

    const PieceLayout& layout_;
    WorkerLauncher& launcher_;
    OrderedRenderLimits limits_;
    IEngineFileOutput* output_;
    struct Finished {
        win32::sys::UniqueFd audio;
        std::string events;
    };

    const PieceWritten& written_;
    const PieceSpoken& spoken_;
    std::vector<Running> running_;
    std::map<std::size_t, Finished> finished_;
    std::size_t next_ = 0;  // the next piece to start
    std::size_t due_ = 0;   // the piece to append next
    std::size_t nextChapter_ = 0;  // of layout_.chapterPieces
};

}  // namespace

HRESULT RenderInOrder(const PieceLayout& layout, WorkerLauncher& launcher, const OrderedRenderLimits& limits,
                      IEngineFileOutput* output, CancelToken& cancel, const PieceWritten& written,
                      const PieceSpoken& spoken)
{
    return OrderedRender(layout, launcher, limits, output, written, spoken).Run(cancel);
}

}  // namespace speech
