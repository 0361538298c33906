// SpStream: a stream bound to an audio file, the output the converter renders
// into: a WAV file, or a compressed one with tags and chapters (ISpAudioFile).
#pragma once

#include "encoding/audio_container.h"
#include "encoding/encoded_file_writer.h"
#include "file_output.h"
#include "wav_file_writer.h"

#include <varnel/com_object.h>
#include <sapi.h>

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace speech {

class SpStream final : public ComObject<ISpStream, IEngineFileOutput, ISpAudioFile> {
public:
    SpStream() = default;

    STDMETHOD(Write)(const void* data, ULONG bytes, ULONG* written) override;
    STDMETHOD(GetFormat)(GUID* formatId, WAVEFORMATEX** format) override;
    STDMETHOD(BindToFile)(LPCWSTR fileName, SPFILEMODE mode, const GUID* formatId, const WAVEFORMATEX* format,
                          ULONGLONG eventInterest) override;
    STDMETHOD(Close)() override;
    STDMETHOD(Seek)(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;

    STDMETHOD(CreateScratchFile)(int* fd) override;
    STDMETHOD(AppendScratchFile)(int fd) override;
    STDMETHOD(StartSync)() override;
    STDMETHOD(GetPieceFormat)(PieceFormat* format) override;
    STDMETHOD(TakeChapterStarts)(std::vector<ULONG>* starts) override;
    STDMETHOD(StartChapter)() override;

    STDMETHOD(SetContainer)(LPCWSTR extension) override;
    STDMETHOD(SetTag)(LPCWSTR name, LPCWSTR value) override;
    STDMETHOD(AddChapter)(ULONG position, LPCWSTR title) override;

private:
    ~SpStream() override;  // the last reference finishes the file

    enum class State { Unbound, Bound, Closed };
    HRESULT Usable() const;  // S_OK while bound
    bool Encoded() const { return container_ && *container_ != AudioContainer::Wav; }
    HRESULT FinishFile();

    std::mutex mutex_;
    State state_ = State::Unbound;
    WAVEFORMATEX format_{};
    std::string folder_;  // of the bound file, with its separator
    std::optional<AudioContainer> container_;  // set or bound
    WavFileWriter wav_;
    EncodedFileWriter encoded_;
    AudioTags tags_;
    std::vector<ULONG> chapterStarts_;        // for the next request
    std::deque<std::string> chapterTitles_;   // in order, for StartChapter
};

}  // namespace speech
