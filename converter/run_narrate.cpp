#include "run_narrate.h"

#include "chapter_selection.h"
#include "command_options.h"
#include "failure_line.h"
#include "interrupt_cleanup.h"
#include "output_files.h"
#include "run_settings.h"
#include "voice_render.h"
#include "voice_walk.h"

#include <atlbase.h>
#include <com_apartment.h>
#include <load_input.h>
#include <sapi.h>
#include <winnls.h>

#include <cstdio>
#include <memory>

namespace narrate {
namespace {

bool RenderWithVoiceNumber(ISpVoice* voice, const RunSettings& settings, const std::vector<OutputFile>& files)
{
    bool rendered = false;
    WalkOutcome walk = WalkVoices(settings.voiceNumber, [&](ISpObjectToken* token, HRESULT walkResult) {
        RenderOutcome outcome = SelectAndRender(voice, token, walkResult, settings, files);
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

std::string ToAnsi(const std::u16string& wide)
{
    const int size = static_cast<int>(wide.size());
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), size, ansi.data(), bytes, nullptr, nullptr);
    return ansi;
}

// narrate --chapters: number, tab, title, tab, words; nothing rendered.
int ListChapters(const char* path)
{
    LoadedInput loaded = LoadInput(path, false);
    if (!loaded.loaded) {
        if (!loaded.problem.empty()) ReportFailure("%s", loaded.problem.c_str());
        return kExitFailed;
    }
    for (const std::string& warning : loaded.input.warnings) ReportFailure("%s: %s", path, warning.c_str());
    std::size_t number = 0;
    for (const InputChapter& chapter : loaded.input.chapters)
        std::printf("%zu\t%s\t%zu\n", ++number, ToAnsi(chapter.title).c_str(), chapter.words);
    return std::fflush(stdout) == 0 ? kExitRendered : kExitFailed;
}

// The files the run writes: the picked chapters, repeated, whole or one per chapter.
bool PlanFiles(const CommandOptions& options, const RunSettings& settings, const InputText& input,
               std::vector<OutputFile>& files)
{
    std::vector<std::size_t> numbers;
    for (std::size_t n = 1; n <= input.chapters.size(); ++n) numbers.push_back(n);
    if (!options.pick.empty()) {
        std::string error;
        std::optional<std::vector<std::size_t>> picked = ParsePickList(options.pick, input.chapters.size(), error);
        if (!picked) {
            ReportFailure("%s", error.c_str());
            return false;
        }
        numbers = *picked;
    }
    const InputText chosen = options.pick.empty() ? input : PickChapters(input, numbers);
    if (!options.split) {
        files = {WholeFile(RepeatInput(chosen, options.loop), settings.outputPath)};
        return true;
    }
    files = FilePerChapter(chosen, settings.outputPath, numbers, input.chapters.size());
    for (OutputFile& file : files) file.text = RepeatText(file.text, options.loop, input.document);
    return true;
}

bool PlanAllFiles(const CommandOptions& options, const RunSettings& settings, const InputText& input,
                  std::vector<OutputFile>& files)
{
    if (!PlanFiles(options, settings, input, files)) return false;
    for (OutputFile& file : files) file.subtitles = options.subtitles;
    return true;
}

}  // namespace

int RunNarrate(int argc, char** argv)
{
    CommandLine line = ParseCommandLine(argc, argv);
    if (!line.error.empty()) {
        ReportFailure("%s", line.error.c_str());
        return kExitFailed;
    }
    if (line.options.listChapters) {
        if (line.argc < 2) {
            std::printf("Please input a txt file to be converted to wav.\n");
            return kExitFailed;
        }
        return ListChapters(line.argv[1]);
    }
    RunSettings settings = ReadRunSettings(line.argc, line.argv);
    if (!HasPaths(line.argc)) {
        std::printf("Please input a txt file to be converted to wav.\n");
        return kExitFailed;
    }
    if (!AudioExtension(settings.outputPath)) {
        ReportFailure("cannot write %s: the output file's extension must be one of %s", settings.outputPath,
                      kAudioExtensions);
        return kExitFailed;
    }
    ScopedInterruptHandler interruptHandler;
    LoadedInput loaded = LoadInput(settings.inputPath);
    if (!loaded.loaded) {
        if (!loaded.problem.empty()) ReportFailure("%s", loaded.problem.c_str());
        return kExitFailed;
    }
    for (const std::string& warning : loaded.input.warnings)
        ReportFailure("%s: %s", settings.inputPath, warning.c_str());
    std::vector<OutputFile> files;
    if (!PlanAllFiles(line.options, settings, loaded.input, files)) return kExitFailed;

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
    return RenderWithVoiceNumber(voice, settings, files) ? kExitRendered : kExitFailed;
}

}  // namespace narrate
