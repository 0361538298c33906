#include "standard_options.h"

#include "run_narrate.h"
#include "voice_list.h"

#include <cstdio>
#include <string_view>

#ifndef NARRATE_VERSION
#error "the build names the program's version in NARRATE_VERSION"
#endif

namespace narrate {

std::optional<StandardOption> SoleStandardOption(int argc, const char* const* argv)
{
    if (argc != 2 || !argv || !argv[1]) return std::nullopt;
    const std::string_view argument = argv[1];
    if (argument == "--help") return StandardOption::Help;
    if (argument == "--version") return StandardOption::Version;
    if (argument == "--voices") return StandardOption::Voices;
    return std::nullopt;
}

const char* HelpText()
{
    return "usage: narrate [options] <input file> <output file> [voice number] [rate] [volume]\n"
           "       narrate --chapters <document>\n"
           "       narrate --voices | --help | --version\n"
           "Renders a text file or a document into an audio file with an installed voice.\n"
           "The output's extension picks the format: .wav (22050 Hz 16-bit mono), .flac,\n"
           ".opus, .ogg (Vorbis), .mp3, .m4a or .m4b (AAC; .m4b an audiobook). A text file,\n"
           "in the locale's character set, loses its full stops, commas and dollar signs; a\n"
           "document (EPUB, PDF, HTML, DOCX, ODT, FB2, Markdown) keeps its punctuation, and\n"
           "its chapters become the file's chapter marks. An existing output file is replaced\n"
           "only by a complete one.\n"
           "  voice number  the voice's number in `narrate --voices` (default 1)\n"
           "  rate          -10 (slowest) to 10 (fastest) (default 1)\n"
           "  volume        0 to 100 (default 50)\n"
           "Options, before the file names (-- ends them):\n"
           "  --chapters    lists a document's chapters: number, tab, title, tab, words\n"
           "  --pick LIST   renders only these chapters, numbered as --chapters does: 3, 2,4-6\n"
           "  --split       one file per chapter beside the output (book.opus gives\n"
           "                \"book 01 Introduction.opus\", ...), tagged with track numbers\n"
           "  --loop N      says the text N times over (1 to 999)\n"
           "  --subtitles   writes subtitles beside each output (book.opus: book.srt), a\n"
           "                cue per sentence or line, timed where its speech is\n"
           "  --voices      lists the installed voices: number, tab, description\n"
           "Exit code 0 when the output was written, 1 otherwise.\n";
}

const char* VersionText() { return "narrate " NARRATE_VERSION "\n"; }

int RunStandardOption(StandardOption option)
{
    switch (option) {
    case StandardOption::Help: std::fputs(HelpText(), stdout); break;
    case StandardOption::Version: std::fputs(VersionText(), stdout); break;
    case StandardOption::Voices: return PrintVoiceList(stdout) ? kExitRendered : kExitFailed;
    }
    return std::fflush(stdout) == 0 ? kExitRendered : kExitFailed;
}

}  // namespace narrate
