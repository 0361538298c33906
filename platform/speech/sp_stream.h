// SpStream: a stream bound to a WAV file, the output the converter renders into.
#pragma once

#include "file_output.h"
#include "wav_file_writer.h"

#include <varnel/com_object.h>
#include <sapi.h>

#include <mutex>
#include <string>

namespace speech {

class SpStream final : public ComObject<ISpStream, IEngineFileOutput> {
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

private:
    ~SpStream() override;  // the last reference finishes the file

    enum class State { Unbound, Bound, Closed };

    std::mutex mutex_;
    State state_ = State::Unbound;
    WAVEFORMATEX format_{};
    std::string folder_;  // of the bound file, with its separator
    WavFileWriter file_;
};

}  // namespace speech
