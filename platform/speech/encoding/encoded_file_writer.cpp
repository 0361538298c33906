#include "encoded_file_writer.h"

#include "../wav_file_writer.h"

#include <sapi.h>
#include <varnel/errno_map.h>

#include <cerrno>
#include <cstring>

namespace speech {

HRESULT CreateScratchFileIn(const std::string& folder, int* fd)
{
    const std::string where = folder.empty() ? "." : folder;
    *fd = win32::sys::Open(where.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (*fd >= 0) return S_OK;
    if (errno != EOPNOTSUPP && errno != EISDIR) return HresultFromErrno(errno);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        std::string path = where + "/.varnel-scratch-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        *fd = win32::sys::Open(path.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
        if (*fd >= 0) {
            win32::sys::Unlink(path.c_str());
            return S_OK;
        }
        if (errno != EEXIST) break;
    }
    return HresultFromErrno(errno);
}

HRESULT EncodedFileWriter::Fail(HRESULT hr)
{
    if (SUCCEEDED(error_)) error_ = hr;
    return error_;
}

HRESULT EncodedFileWriter::Create(const std::string& path, const WAVEFORMATEX& format, AudioContainer container)
{
    Finish();
    error_ = S_OK;
    pieces_ = packets_ = position_ = 0;
    priming_ = 0;
    chapters_.clear();
    pendingChapters_.clear();
    if (!CanEncode(container, format)) return SPERR_UNSUPPORTED_FORMAT;
    if (HRESULT hr = LoadEncoder(container); FAILED(hr)) return hr;
    int fd = win32::sys::Open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return HRESULT_FROM_WIN32(win32::ErrorFromErrno(errno, path.c_str()));
    win32::sys::UniqueFd file(fd);
    int logFd = -1;
    if (HRESULT hr = CreateScratchFileIn(path.substr(0, path.rfind('/') + 1), &logFd); FAILED(hr)) return hr;
    log_ = win32::sys::UniqueFd(logFd);
    logSink_.Reset(logFd);
    file_ = std::move(file);
    container_ = container;
    format_ = format;
    timelineRate_ = TimelineRate(container, format.nSamplesPerSec);
    return S_OK;
}

PieceFormat EncodedFileWriter::NextPieceFormat() const
{
    return PieceFormatOf(container_, format_, pieces_ == 0 && !running_);
}

HRESULT EncodedFileWriter::Write(const void* data, std::size_t bytes)
{
    if (!file_) return E_UNEXPECTED;
    if (FAILED(error_)) return error_;
    if (!running_) {
        HRESULT hr = S_OK;
        running_ = CreatePieceEncoder(NextPieceFormat(),
                                      [this](const std::uint8_t* packet, std::size_t size, std::uint32_t duration) {
                                          std::uint8_t header[kPacketRecordHeaderBytes];
                                          PutRecordHeader(header, static_cast<std::uint32_t>(size), duration);
                                          if (HRESULT wrote = logSink_.Write(header, sizeof header); FAILED(wrote))
                                              return wrote;
                                          ++runningPackets_;
                                          runningBytes_ += sizeof header + size;
                                          return logSink_.Write(packet, size);
                                      },
                                      &hr);
        if (!running_) return Fail(hr);
    }
    const std::size_t frameBytes = format_.nBlockAlign;
    const auto* in = static_cast<const std::uint8_t*>(data);
    partialFrame_.insert(partialFrame_.end(), in, in + bytes);
    const std::size_t frames = partialFrame_.size() / frameBytes;
    // Samples arrive as bytes; the encoder takes whole 16-bit frames.
    std::vector<std::int16_t> samples(frames * format_.nChannels);
    if (frames) std::memcpy(samples.data(), partialFrame_.data(), frames * frameBytes);
    partialFrame_.erase(partialFrame_.begin(), partialFrame_.begin() + static_cast<std::ptrdiff_t>(frames * frameBytes));
    runningFrames_ += frames;
    if (HRESULT hr = running_->Push(samples.data(), frames); FAILED(hr)) return Fail(hr);
    return S_OK;
}

void EncodedFileWriter::Record(const PieceSummary& summary, const std::vector<std::uint64_t>& marks)
{
    if (pieces_ == 0) priming_ = summary.priming;
    const std::uint64_t start = position_ - std::min<std::uint64_t>(position_, summary.headCarried);
    for (std::string& title : pendingChapters_) chapters_.push_back({std::move(title), start + summary.firstSound});
    pendingChapters_.clear();
    for (std::size_t i = 0; i < runningChapters_.size(); ++i)
        chapters_.push_back({std::move(runningChapters_[i]), start + (i < marks.size() ? marks[i] : summary.samples)});
    runningChapters_.clear();
    position_ += summary.samples;
    packets_ += summary.packets;
    ++pieces_;
}

HRESULT EncodedFileWriter::FinishRunningPiece()
{
    if (!running_) return S_OK;
    PieceSummary summary;
    std::unique_ptr<PieceEncoder> running = std::move(running_);
    HRESULT hr = running->Finish(summary);
    partialFrame_.clear();
    summary.packets = runningPackets_;
    summary.packetBytes = runningBytes_;
    runningPackets_ = 0;
    runningBytes_ = 0;
    runningFrames_ = 0;
    if (FAILED(hr)) return Fail(hr);
    Record(summary, running->ChapterSounds());
    return S_OK;
}

HRESULT EncodedFileWriter::AppendPiece(int fd)
{
    if (!file_) return E_UNEXPECTED;
    if (FAILED(error_)) return error_;
    if (HRESULT hr = FinishRunningPiece(); FAILED(hr)) return hr;
    std::optional<PieceSummary> summary = ReadPieceSummary(fd);
    if (!summary || summary->container != container_) return Fail(SPERR_ENGINE_FAILED);
    if (HRESULT hr = logSink_.Append(fd, kPieceSummaryBytes, summary->packetBytes); FAILED(hr)) return Fail(hr);
    Record(*summary, {});
    return S_OK;
}

void EncodedFileWriter::StartChapter(std::string title)
{
    if (!running_) {
        pendingChapters_.push_back(std::move(title));
        return;
    }
    running_->MarkChapter();
    runningChapters_.push_back(std::move(title));
}

std::uint64_t EncodedFileWriter::DataBytes() const
{
    const std::uint64_t frames = position_ * format_.nSamplesPerSec / std::max<std::uint32_t>(timelineRate_, 1);
    return (frames + runningFrames_) * format_.nBlockAlign;
}

HRESULT EncodedFileWriter::WriteContainer()
{
    // Even a file without a word holds a frame of silence: every container wants one.
    if (pieces_ == 0) {
        if (HRESULT hr = Write(nullptr, 0); FAILED(hr)) return hr;
        if (HRESULT hr = FinishRunningPiece(); FAILED(hr)) return hr;
    }
    for (std::string& title : pendingChapters_) chapters_.push_back({std::move(title), position_});
    pendingChapters_.clear();
    if (HRESULT hr = logSink_.Flush(); FAILED(hr)) return hr;

    ContainerPlan plan;
    plan.container = container_;
    plan.sampleRate = format_.nSamplesPerSec;
    plan.channels = format_.nChannels;
    plan.priming = priming_;
    plan.samples = position_;
    plan.packets = packets_;
    plan.tags = tags_;
    plan.chapters = chapters_;
    FileSink out(file_.get());
    HRESULT hr = S_OK;
    std::unique_ptr<ContainerWriter> writer = CreateContainerWriter(container_, out, &hr);
    if (!writer) return hr;
    if (hr = writer->Begin(plan); FAILED(hr)) return hr;
    PacketReader reader(log_.get(), 0, logSink_.Position());
    std::vector<std::uint8_t> packet;
    std::uint32_t duration = 0;
    while ((hr = reader.Next(packet, duration)) == S_OK)
        if (hr = writer->Packet(packet.data(), packet.size(), duration); FAILED(hr)) return hr;
    if (FAILED(hr)) return hr;
    if (hr = writer->End(); FAILED(hr)) return hr;
    return out.Sync();
}

HRESULT EncodedFileWriter::Finish()
{
    if (!file_) return error_;
    if (SUCCEEDED(error_)) FinishRunningPiece();
    if (SUCCEEDED(error_)) Fail(WriteContainer());
    log_.Reset();
    if (file_.Reset() != 0) Fail(HresultFromErrno(errno));
    running_.reset();
    return error_;
}

}  // namespace speech
