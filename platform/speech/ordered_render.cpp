#include "ordered_render.h"

#include "held_audio.h"
#include "wav_file_writer.h"

#include <cerrno>
#include <map>
#include <memory>
#include <set>

#include <poll.h>

namespace speech {
namespace {

constexpr int kCancelCheckMs = 20;
constexpr std::size_t kReadBytes = 64 * 1024;

class OrderedRender {
public:
    OrderedRender(const PieceLayout& layout, WorkerLauncher& launcher, const OrderedRenderLimits& limits,
                  ISequentialStream* output, IEngineFileOutput* scratch, const PieceWritten& written)
        : layout_(layout), launcher_(launcher), limits_(limits), output_(output), scratch_(scratch),
          written_(written), chunk_(kReadBytes)
    {
    }

    HRESULT Run(CancelToken& cancel)
    {
        const std::size_t count = layout_.spans.size();
        while (due_ < count) {
            if (cancel.IsCancelled()) return S_OK;
            if (HRESULT hr = StartWorkers(); FAILED(hr)) return hr;
            if (HRESULT hr = ReadReady(); FAILED(hr)) return hr;
            if (HRESULT hr = WriteFinishedPieces(); FAILED(hr)) return hr;
        }
        return S_OK;
    }

private:
    struct Running {
        std::size_t piece;
        std::unique_ptr<PieceWorker> worker;
    };

    HRESULT StartWorkers()
    {
        const std::size_t lookahead = std::size_t{limits_.workers} * 2;
        while (running_.size() < limits_.workers && next_ < layout_.spans.size() && next_ < due_ + lookahead) {
            RenderJob job = layout_.base;
            const TextSpan& span = layout_.spans[next_];
            job.text.assign(layout_.text.substr(span.start, span.length));
            std::unique_ptr<PieceWorker> worker;
            if (HRESULT hr = launcher_.Start(job, worker); FAILED(hr)) return hr;
            running_.push_back({next_++, std::move(worker)});
        }
        return S_OK;
    }

    HRESULT ReadReady()
    {
        std::vector<pollfd> fds;
        for (const Running& r : running_) fds.push_back({r.worker->OutputDescriptor(), POLLIN, 0});
        int ready = poll(fds.data(), fds.size(), kCancelCheckMs);
        if (ready < 0) return errno == EINTR ? S_OK : HresultFromErrno(errno);
        for (std::size_t i = fds.size(); i-- > 0;) {
            if (!fds[i].revents) continue;
            ssize_t got = win32::sys::Read(fds[i].fd, chunk_.data(), chunk_.size());
            if (got < 0) return HresultFromErrno(errno);
            if (got > 0) {
                if (HRESULT hr = Take(running_[i].piece, static_cast<std::size_t>(got)); FAILED(hr)) return hr;
                continue;
            }
            if (HRESULT hr = running_[i].worker->Finish(); FAILED(hr)) return hr;
            finished_.insert(running_[i].piece);
            running_.erase(running_.begin() + static_cast<std::ptrdiff_t>(i));
        }
        return S_OK;
    }

    // Audio of the piece due goes straight out; other pieces' waits its turn.
    HRESULT Take(std::size_t piece, std::size_t bytes)
    {
        if (piece == due_) return output_->Write(chunk_.data(), static_cast<ULONG>(bytes), nullptr);
        auto [held, added] = held_.try_emplace(piece, scratch_, limits_.heldMemoryBytes);
        return held->second.Append(chunk_.data(), bytes);
    }

    HRESULT WriteFinishedPieces()
    {
        while (finished_.erase(due_)) {
            if (written_) written_(due_);
            ++due_;
            auto held = held_.find(due_);
            if (held == held_.end()) continue;
            HRESULT hr = held->second.WriteTo(output_);
            held_.erase(held);
            if (FAILED(hr)) return hr;
        }
        return S_OK;
    }

    const PieceLayout& layout_;
    WorkerLauncher& launcher_;
    OrderedRenderLimits limits_;
    ISequentialStream* output_;
    IEngineFileOutput* scratch_;
    const PieceWritten& written_;
    std::vector<std::uint8_t> chunk_;
    std::vector<Running> running_;
    std::map<std::size_t, HeldAudio> held_;
    std::set<std::size_t> finished_;
    std::size_t next_ = 0;  // the next piece to start
    std::size_t due_ = 0;   // the piece whose audio goes out now
};

}  // namespace

HRESULT RenderInOrder(const PieceLayout& layout, WorkerLauncher& launcher, const OrderedRenderLimits& limits,
                      ISequentialStream* output, IEngineFileOutput* scratch, CancelToken& cancel,
                      const PieceWritten& written)
{
    return OrderedRender(layout, launcher, limits, output, scratch, written).Run(cancel);
}

}  // namespace speech
