#include "run_narrate.h"

#include "load_text_file.h"
#include "com_apartment.h"
#include "failure_line.h"
#include "interrupt_cleanup.h"
#include "run_settings.h"
#include "voice_render.h"
#include "voice_walk.h"

#include <atlbase.h>
#include <sapi.h>

#include <cstdio>
#include <memory>

namespace narrate {
namespace {

bool RenderWithVoiceNumber(ISpVoice* voice, const RunSettings& settings, const WCHAR* text)
{
    bool rendered = false;
    WalkOutcome walk = WalkVoices(settings.voiceNumber, [&](ISpObjectToken* token, HRESULT walkResult) {
        RenderOutcome outcome = SelectAndRender(voice, token, walkResult, settings, text);
        rendered = outcome.rendered;
        return outcome.walkResult;
    });
    if (walk.matched) return rendered;
    if (FAILED(walk.result))
        ReportFailure("the installed voices could not be listed: %s", InWords(walk.result).c_str());
    else
        ReportFailure("there is no voice number %d: %u voices are installed", settings.voiceNumber,
                      static_cast<unsigned>(walk.count));
    return false;
}

}  // namespace

int RunNarrate(int argc, char** argv)
{
    RunSettings settings = ReadRunSettings(argc, argv);
    if (!HasPaths(argc)) {
        std::printf("Please input a txt file to be converted to wav.\n");
        return kExitFailed;
    }
    ScopedInterruptHandler interruptHandler;
    WCHAR* loaded = nullptr;
    if (!LoadTextFile(settings.inputPath, &loaded)) return kExitFailed;
    std::unique_ptr<WCHAR[]> text(loaded);  // null when nothing was kept: an empty WAV

    ComApartment com;
    if (FAILED(com.result())) {
        ReportFailure("COM could not be initialised: %s", InWords(com.result()).c_str());
        return kExitFailed;
    }
    CComPtr<ISpVoice> voice;
    if (HRESULT hr = voice.CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL); FAILED(hr)) {
        ReportFailure("the speech engine's voice object could not be created: %s", InWords(hr).c_str());
        return kExitFailed;
    }
    return RenderWithVoiceNumber(voice, settings, text.get()) ? kExitRendered : kExitFailed;
}

}  // namespace narrate
