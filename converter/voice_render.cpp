#include "voice_render.h"

#include "failure_line.h"
#include "render_progress.h"
#include "subtitle_cues.h"
#include "temporary_output.h"
#include "wide_path.h"

#include <atlbase.h>
#include <sphelper.h>
#include <winbase.h>

#include <memory>
#include <stdio.h>

namespace narrate {
namespace {

HRESULT SelectVoice(ISpVoice* voice, ISpObjectToken* token, HRESULT walkResult, int voiceNumber)
{
    if (FAILED(walkResult) || !token) {
        HRESULT failure = FAILED(walkResult) ? walkResult : E_FAIL;
        ReportFailure("voice %d could not be fetched: %s", voiceNumber, InWords(failure).c_str());
        return failure;
    }
    HRESULT hr = voice->SetVoice(token);
    if (FAILED(hr)) ReportFailure("voice %d could not be selected: %s", voiceNumber, InWords(hr).c_str());
    return hr;
}

// Rate and volume the engine refuses leave the voice's own; the file is still made.
void ApplyRateAndVolume(ISpVoice* voice, const RunSettings& settings)
{
    if (HRESULT hr = voice->SetRate(settings.rate); FAILED(hr))
        ReportFailure("rate %d was refused: %s; the voice keeps its rate", static_cast<int>(settings.rate),
                      InWords(hr).c_str());
    USHORT volume = EngineVolume(settings.volume);
    if (HRESULT hr = voice->SetVolume(volume); FAILED(hr))
        ReportFailure("volume %u was refused: %s; the voice keeps its volume", unsigned{volume}, InWords(hr).c_str());
}

// The format of the voice's current output, which the file takes.
HRESULT CurrentOutputFormat(ISpVoice* voice, CComPtr<ISpStreamFormat>& previous, CSpStreamFormat& format)
{
    HRESULT hr = voice->GetOutputStream(&previous);
    if (hr != S_OK || !previous) {
        ReportFailure("the voice has no output stream: %s", InWords(hr).c_str());
        return E_FAIL;
    }
    hr = format.AssignFormat(previous);
    if (FAILED(hr)) ReportFailure("the output's format could not be read: %s", InWords(hr).c_str());
    return hr;
}

// "WAV file" where the old messages said so, "audio file" for the other containers.
const char* FileNoun(const std::string& path)
{
    return AudioExtension(path).value_or("wav") == "wav" ? "WAV file" : "audio file";
}

// The container, tags and chapter marks go to the stream before it is bound.
HRESULT DescribeFile(ISpStream* stream, const OutputFile& file)
{
    CComPtr<ISpAudioFile> audio;
    HRESULT hr = stream->QueryInterface(IID_ISpAudioFile, reinterpret_cast<void**>(&audio));
    if (FAILED(hr)) return hr;
    const std::string extension = AudioExtension(file.path).value_or("wav");
    if (hr = audio->SetContainer(std::u16string(extension.begin(), extension.end()).c_str()); FAILED(hr)) return hr;
    const std::pair<const char16_t*, const std::u16string*> tags[] = {
        {u"title", &file.title}, {u"artist", &file.artist}, {u"album", &file.album}, {u"track", &file.track}};
    for (const auto& [name, value] : tags)
        if (!value->empty())
            if (hr = audio->SetTag(name, value->c_str()); FAILED(hr)) return hr;
    for (const InputChapter& chapter : file.chapters)
        if (hr = audio->AddChapter(static_cast<ULONG>(chapter.start), chapter.title.c_str()); FAILED(hr)) return hr;
    return S_OK;
}

HRESULT BindTemporary(const OutputFile& file, TemporaryOutput& temporary, const CSpStreamFormat& format,
                      CComPtr<ISpStream>& stream)
{
    std::optional<std::u16string> name = WidePath(temporary.path().c_str());
    if (!name) {
        ReportFailure("the path %s cannot be converted to UTF-16", temporary.path().c_str());
        return E_INVALIDARG;
    }
    HRESULT hr = stream.CoCreateInstance(CLSID_SpStream, nullptr, CLSCTX_ALL);
    if (SUCCEEDED(hr)) hr = DescribeFile(stream, file);
    if (SUCCEEDED(hr)) {
        hr = E_ABORT;
        const bool created = temporary.Create([&] {
            hr = stream->BindToFile(name->c_str(), SPFM_CREATE_ALWAYS, &format.FormatId(), format.WaveFormatExPtr(),
                                    SPFEI_ALL_EVENTS);
        });
        if (!created) {
            stream.Release();
            ReportFailure("interrupted before the %s was created", FileNoun(file.path));
            return E_ABORT;
        }
    }
    if (FAILED(hr)) {
        stream.Release();
        ReportFailure("cannot create the %s %s as %s: %s", FileNoun(file.path), file.path.c_str(),
                      temporary.path().c_str(), InWords(hr).c_str());
    }
    return hr;
}

// Waits in short steps, showing how far the voice is between them.
HRESULT WaitShowingProgress(ISpVoice* voice, ISpStream* stream, const std::u16string& text,
                            const CSpStreamFormat& format)
{
    constexpr ULONG kStepMs = 100;
    const WAVEFORMATEX* wave = format.WaveFormatExPtr();
    ProgressLine progress(ProgressTerminal(), OutputIsTerminal(), text.size(), wave ? wave->nAvgBytesPerSec : 0);
    HRESULT hr;
    while ((hr = voice->WaitUntilDone(kStepMs)) == S_FALSE) progress.Update(voice, stream);
    return hr;
}

HRESULT SpeakIntoFile(ISpVoice* voice, ISpStream* stream, const OutputFile& file, const CSpStreamFormat& format)
{
    HRESULT hr = file.subtitles ? voice->SetInterest(kSubtitleEvents, kSubtitleEvents) : S_OK;
    if (FAILED(hr)) {
        ReportFailure("the voice's sentence events could not be asked for: %s", InWords(hr).c_str());
        return hr;
    }
    hr = voice->SetOutput(stream, TRUE);
    if (FAILED(hr)) {
        ReportFailure("the voice's output could not be set to the %s: %s", FileNoun(file.path), InWords(hr).c_str());
        return hr;
    }
    hr = voice->Speak(file.text.empty() ? nullptr : file.text.c_str(), SPF_ASYNC | SPF_IS_NOT_XML, nullptr);
    if (FAILED(hr)) {
        ReportFailure("the text could not be queued for speaking: %s", InWords(hr).c_str());
        return hr;
    }
    hr = WaitShowingProgress(voice, stream, file.text, format);
    if (hr != S_OK) ReportFailure("rendering the text failed: %s", InWords(FAILED(hr) ? hr : E_FAIL).c_str());
    return hr == S_OK ? S_OK : E_FAIL;
}

// Writes the cues into a temporary file beside the subtitles' path.
bool WriteSubtitles(const std::vector<SubtitleCue>& cues, TemporaryOutput& temporary)
{
    const std::string srt = SubRipText(cues);
    bool written = false;
    const bool created = temporary.Create([&] {
        msvcrt::FILE* file = msvcrt::fopen(temporary.path().c_str(), "wb");
        if (!file) return;
        written = msvcrt::fwrite(srt.data(), 1, srt.size(), file) == srt.size();
        written = msvcrt::fclose(file) == 0 && written;
    });
    if (!created) {
        ReportFailure("interrupted before the subtitle file was created");
        return false;
    }
    if (!written)
        ReportFailure("cannot write the subtitle file %s: %s", temporary.path().c_str(),
                      InWords(HRESULT_FROM_WIN32(GetLastError())).c_str());
    return written;
}

// Binds a temporary file, speaks into it and sets the previous output again; the
// file stays temporary until every file of the run is complete.
bool RenderToTemporary(ISpVoice* voice, const OutputFile& file, TemporaryOutput& temporary,
                       TemporaryOutput* subtitles)
{
    CSpStreamFormat format;
    CComPtr<ISpStreamFormat> previous;
    CComPtr<ISpStream> stream;
    HRESULT hr = CurrentOutputFormat(voice, previous, format);
    if (SUCCEEDED(hr)) hr = BindTemporary(file, temporary, format, stream);
    if (SUCCEEDED(hr)) hr = SpeakIntoFile(voice, stream, file, format);
    std::vector<SubtitleCue> cues;
    if (SUCCEEDED(hr) && subtitles) {
        const WAVEFORMATEX* wave = format.WaveFormatExPtr();
        cues = TakeCues(voice, file.text, wave ? wave->nAvgBytesPerSec : 0);
    }
    if (stream) {
        // Closing finishes the file and tells whether its last bytes reached the disk.
        HRESULT closed = stream->Close();
        if (FAILED(closed) && SUCCEEDED(hr)) {
            ReportFailure("the %s could not be finished: %s", FileNoun(file.path), InWords(closed).c_str());
            hr = closed;
        }
        stream.Release();
    }
    if (HRESULT restored = voice->SetOutput(previous, FALSE); FAILED(restored))
        ReportFailure("the voice's previous output could not be set again: %s", InWords(restored).c_str());
    return SUCCEEDED(hr) && (!subtitles || WriteSubtitles(cues, *subtitles));
}

// A file of the run and where it is written first.
struct PendingFile {
    std::string path;
    const char* noun;
    std::unique_ptr<TemporaryOutput> temporary;
};

bool RenderFiles(ISpVoice* voice, const std::vector<OutputFile>& files)
{
    std::vector<PendingFile> pending;
    for (const OutputFile& file : files) {
        // The subtitles are moved into place first: when that fails, the old audio stays.
        TemporaryOutput* subtitles = nullptr;
        if (file.subtitles) {
            const std::string path = SubtitlePath(file.path);
            pending.push_back({path, "subtitle file", std::make_unique<TemporaryOutput>(path)});
            subtitles = pending.back().temporary.get();
        }
        pending.push_back({file.path, FileNoun(file.path), std::make_unique<TemporaryOutput>(file.path)});
        if (!RenderToTemporary(voice, file, *pending.back().temporary, subtitles)) return false;
    }
    for (PendingFile& file : pending) {
        if (!file.temporary->Commit()) {
            ReportFailure("cannot replace %s with the new %s: %s", file.path.c_str(), file.noun,
                          InWords(HRESULT_FROM_WIN32(GetLastError())).c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

RenderOutcome SelectAndRender(ISpVoice* voice, ISpObjectToken* token, HRESULT walkResult,
                              const RunSettings& settings, const std::vector<OutputFile>& files)
{
    RenderOutcome outcome;
    outcome.walkResult = SelectVoice(voice, token, walkResult, settings.voiceNumber);
    // A voice that is not the asked one must not speak, not even into the file.
    if (FAILED(outcome.walkResult)) return outcome;
    ApplyRateAndVolume(voice, settings);
    outcome.rendered = RenderFiles(voice, files);
    return outcome;
}

RenderOutcome SelectAndRender(ISpVoice* voice, ISpObjectToken* token, HRESULT walkResult,
                              const RunSettings& settings, const WCHAR* text)
{
    OutputFile file;
    file.path = settings.outputPath ? settings.outputPath : "";
    if (text) file.text = text;
    return SelectAndRender(voice, token, walkResult, settings, std::vector<OutputFile>{file});
}

}  // namespace narrate
