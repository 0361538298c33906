#include "voice_render.h"

#include "failure_line.h"
#include "render_progress.h"
#include "temporary_output.h"
#include "wide_path.h"

#include <atlbase.h>
#include <sphelper.h>
#include <winbase.h>

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

HRESULT BindTemporary(const char* target, TemporaryOutput& temporary, const CSpStreamFormat& format,
                      CComPtr<ISpStream>& wav)
{
    std::optional<std::u16string> name = WidePath(temporary.path().c_str());
    if (!name) {
        ReportFailure("the path %s cannot be converted to UTF-16", temporary.path().c_str());
        return E_INVALIDARG;
    }
    HRESULT hr = E_ABORT;
    bool created = temporary.Create([&] {
        hr = SPBindToFile(name->c_str(), SPFM_CREATE_ALWAYS, &wav, &format.FormatId(), format.WaveFormatExPtr(),
                          SPFEI_ALL_EVENTS);
    });
    if (!created) ReportFailure("interrupted before the WAV file was created");
    else if (FAILED(hr))
        ReportFailure("cannot create the WAV file %s as %s: %s", target, temporary.path().c_str(), InWords(hr).c_str());
    return hr;
}

// Waits in short steps, showing how far the voice is between them.
HRESULT WaitShowingProgress(ISpVoice* voice, ISpStream* wav, const WCHAR* text, const CSpStreamFormat& format)
{
    constexpr ULONG kStepMs = 100;
    std::size_t length = text ? std::char_traits<WCHAR>::length(text) : 0;
    const WAVEFORMATEX* wave = format.WaveFormatExPtr();
    ProgressLine progress(ProgressTerminal(), OutputIsTerminal(), length, wave ? wave->nAvgBytesPerSec : 0);
    HRESULT hr;
    while ((hr = voice->WaitUntilDone(kStepMs)) == S_FALSE) progress.Update(voice, wav);
    return hr;
}

HRESULT SpeakIntoFile(ISpVoice* voice, ISpStream* wav, const WCHAR* text, const CSpStreamFormat& format)
{
    HRESULT hr = voice->SetOutput(wav, TRUE);
    if (FAILED(hr)) {
        ReportFailure("the voice's output could not be set to the WAV file: %s", InWords(hr).c_str());
        return hr;
    }
    hr = voice->Speak(text, SPF_ASYNC | SPF_IS_NOT_XML, nullptr);
    if (FAILED(hr)) {
        ReportFailure("the text could not be queued for speaking: %s", InWords(hr).c_str());
        return hr;
    }
    hr = WaitShowingProgress(voice, wav, text, format);
    if (hr != S_OK) ReportFailure("rendering the text failed: %s", InWords(FAILED(hr) ? hr : E_FAIL).c_str());
    return hr == S_OK ? S_OK : E_FAIL;
}

// Binds a temporary file, speaks into it, sets the previous output again and moves
// the finished file over the output.
bool RenderToFile(ISpVoice* voice, const RunSettings& settings, const WCHAR* text)
{
    TemporaryOutput temporary(settings.outputPath);
    CSpStreamFormat format;
    CComPtr<ISpStreamFormat> previous;
    CComPtr<ISpStream> wav;
    HRESULT hr = CurrentOutputFormat(voice, previous, format);
    if (SUCCEEDED(hr)) hr = BindTemporary(settings.outputPath, temporary, format, wav);
    if (SUCCEEDED(hr)) hr = SpeakIntoFile(voice, wav, text, format);
    if (wav) {
        // Closing finishes the file and tells whether its last bytes reached the disk.
        HRESULT closed = wav->Close();
        if (FAILED(closed) && SUCCEEDED(hr)) {
            ReportFailure("the WAV file could not be finished: %s", InWords(closed).c_str());
            hr = closed;
        }
        wav.Release();
    }
    if (HRESULT restored = voice->SetOutput(previous, FALSE); FAILED(restored))
        ReportFailure("the voice's previous output could not be set again: %s", InWords(restored).c_str());
    if (FAILED(hr)) return false;
    if (!temporary.Commit()) {
        ReportFailure("cannot replace %s with the new WAV file: %s", settings.outputPath,
                      InWords(HRESULT_FROM_WIN32(GetLastError())).c_str());
        return false;
    }
    return true;
}

}  // namespace

RenderOutcome SelectAndRender(ISpVoice* voice, ISpObjectToken* token, HRESULT walkResult,
                              const RunSettings& settings, const WCHAR* text)
{
    RenderOutcome outcome;
    outcome.walkResult = SelectVoice(voice, token, walkResult, settings.voiceNumber);
    // A voice that is not the asked one must not speak, not even into the file.
    if (FAILED(outcome.walkResult)) return outcome;
    ApplyRateAndVolume(voice, settings);
    outcome.rendered = RenderToFile(voice, settings, text);
    return outcome;
}

}  // namespace narrate
