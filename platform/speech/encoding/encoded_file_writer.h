// A compressed audio file (Opus, Vorbis, FLAC, MP3, AAC) written by the engine's
// file stream. Samples written into it are encoded here; pieces that render
// workers encoded join as they are; their packets wait in a log beside the file.
// Finish writes the container, whose header (Ogg, ID3) needs every chapter's
// time, and only then the file's bytes: a failure anywhere fails the whole file.
#pragma once

#include "container_writer.h"
#include "file_sink.h"
#include "piece_encoder.h"

#include <mmreg.h>
#include <varnel/syscalls.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace speech {

class EncodedFileWriter {
public:
    EncodedFileWriter() = default;
    ~EncodedFileWriter() { Finish(); }
    EncodedFileWriter(const EncodedFileWriter&) = delete;
    EncodedFileWriter& operator=(const EncodedFileWriter&) = delete;

    // Creates the file, or empties an existing one, and the packet log beside it.
    HRESULT Create(const std::string& path, const WAVEFORMATEX& format, AudioContainer container);
    // Samples in the file's format.
    HRESULT Write(const void* data, std::size_t bytes);
    // A piece a render worker encoded into the scratch file `fd`.
    HRESULT AppendPiece(int fd);
    // What is written from now on begins a chapter of this title.
    void StartChapter(std::string title);
    void SetTags(const AudioTags& tags) { tags_ = tags; }
    // How the next piece is to be encoded.
    PieceFormat NextPieceFormat() const;
    // Writes the container and closes the file: the first error since Create, or S_OK.
    HRESULT Finish();
    bool IsOpen() const { return static_cast<bool>(file_); }
    // The audio so far as bytes of the samples it was made of.
    std::uint64_t DataBytes() const;

private:
    HRESULT FinishRunningPiece();
    // `marks`: the chapter sounds of the running piece, for its marked chapters.
    void Record(const PieceSummary& summary, const std::vector<std::uint64_t>& marks);
    HRESULT WriteContainer();
    HRESULT Fail(HRESULT hr);

    win32::sys::UniqueFd file_;
    win32::sys::UniqueFd log_;
    FileSink logSink_;
    AudioContainer container_ = AudioContainer::Wav;
    WAVEFORMATEX format_{};
    std::uint32_t timelineRate_ = 0;
    AudioTags tags_;

    std::unique_ptr<PieceEncoder> running_;  // the piece the stream's own samples go to
    std::uint32_t runningPackets_ = 0;
    std::uint64_t runningBytes_ = 0;
    std::uint64_t runningFrames_ = 0;
    std::vector<std::uint8_t> partialFrame_;  // bytes of a sample frame split between writes

    std::uint64_t pieces_ = 0;
    std::uint64_t packets_ = 0;
    std::uint64_t position_ = 0;  // timeline samples after the priming
    std::uint32_t priming_ = 0;
    std::deque<std::string> pendingChapters_;  // start at the next piece's first sound
    std::deque<std::string> runningChapters_;  // marked in the running piece
    std::vector<ChapterMark> chapters_;
    HRESULT error_ = S_OK;
};

// An unnamed scratch file in `folder` (a named one, unlinked at once, where the
// file system has no unnamed files); nothing is left however the process ends.
HRESULT CreateScratchFileIn(const std::string& folder, int* fd);

}  // namespace speech
