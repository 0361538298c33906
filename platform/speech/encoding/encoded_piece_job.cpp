#include "encoded_piece_job.h"

#include "file_sink.h"
#include "piece_encoder.h"

#include <sapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace speech {
namespace {

// The sample bytes a job hands over, as samples (none: an empty hand-over).
void ToSamples(const std::uint8_t* data, std::size_t frames, std::size_t frameBytes, std::vector<std::int16_t>& samples)
{
    samples.resize(frames * frameBytes / sizeof(std::int16_t));
    if (frames) std::memcpy(samples.data(), data, frames * frameBytes);
}

}  // namespace

EncodedPieceOutcome RenderEncodedPiece(const RenderJob& job, int fd, SpokenPiece* spoken)
{
    FileSink out(fd);
    PieceSummary summary;
    // The summary's room first; it is written once the piece is complete.
    out.Write(EncodeSummary(summary).data(), kPieceSummaryBytes);
    std::uint32_t packets = 0;
    std::uint64_t bytes = 0;
    HRESULT hr = S_OK;
    PieceFormat format = PieceFormatOf(job.container, job.format, job.startsFile);
    format.hasPrevious = job.hasPrevious;
    format.hasNext = job.hasNext;
    std::unique_ptr<PieceEncoder> encoder = CreatePieceEncoder(
        format,
        [&](const std::uint8_t* data, std::size_t size, std::uint32_t duration) {
            std::uint8_t header[kPacketRecordHeaderBytes];
            PutRecordHeader(header, static_cast<std::uint32_t>(size), duration);
            ++packets;
            bytes += sizeof header + size;
            if (HRESULT wrote = out.Write(header, sizeof header); FAILED(wrote)) return wrote;
            return out.Write(data, size);
        },
        &hr);
    if (!encoder) return {kWorkerEngineFailed, hr};

    const std::size_t frameBytes = job.format.nBlockAlign;
    std::vector<std::int16_t> samples;
    HRESULT encoded = S_OK;
    WorkerExit exit = RunJob(job, [&](const std::uint8_t* data, std::size_t count) {
        ToSamples(data, count / frameBytes, frameBytes, samples);
        encoded = encoder->Push(samples.data(), count / frameBytes);
        return SUCCEEDED(encoded);
    }, spoken);
    if (exit == kWorkerDone && job.hasNext) {
        // The next piece's first samples, as its own worker will make them: its text
        // from the start on a fresh copy, stopped once there are enough.
        RenderJob next = job;
        next.text = job.nextText;
        const std::size_t wanted = encoder->FollowingFramesWanted();
        std::size_t given = 0;
        exit = RunJob(next, [&](const std::uint8_t* data, std::size_t count) {
            const std::size_t frames = std::min(count / frameBytes, wanted - given);
            ToSamples(data, frames, frameBytes, samples);
            encoded = encoder->PushFollowing(samples.data(), frames);
            given += frames;
            return SUCCEEDED(encoded) && given < wanted;
        });
        if (exit == kWorkerOutputFailed && SUCCEEDED(encoded)) exit = kWorkerDone;  // stopped: enough
    }
    if (exit == kWorkerDone) encoded = encoder->Finish(summary);
    if (exit == kWorkerEngineFailed) return {exit, SPERR_ENGINE_FAILED};
    summary.packets = packets;
    summary.packetBytes = bytes;
    if (SUCCEEDED(encoded)) encoded = out.WriteAt(0, EncodeSummary(summary).data(), kPieceSummaryBytes);
    if (SUCCEEDED(encoded)) encoded = out.Flush();
    if (FAILED(encoded)) return {kWorkerOutputFailed, encoded};
    return {kWorkerDone, S_OK};
}

}  // namespace speech
