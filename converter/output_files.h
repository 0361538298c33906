// The audio files a run writes: one for the whole input, or one per chapter with
// --split, each with its text, chapter marks and tags.
#pragma once

#include <load_input.h>

#include <optional>
#include <string>
#include <vector>

namespace narrate {

struct OutputFile {
    std::string path;  // ANSI, as the command line gave it
    std::u16string text;
    std::vector<InputChapter> chapters;  // marks in the file; none for a text file
    std::u16string title, artist, album, track;
    bool subtitles = false;  // a SubRip file beside it (subtitle_cues.h)
};

// The extensions narrate writes, for the message that names them.
inline constexpr const char* kAudioExtensions = ".wav, .flac, .opus, .ogg, .mp3, .m4a, .m4b";
// The output's extension in lower case when it is one of them ("opus"); nothing otherwise.
std::optional<std::string> AudioExtension(const std::string& path);

// One file for the whole input at `target`.
OutputFile WholeFile(const InputText& input, const std::string& target);
// A file per chapter beside `target`, named from its name, the chapter's number and
// title ("book.opus": "book 01 Introduction.opus"), tagged with its track number.
// `numbers` are the chapters' numbers in the whole input, of `total` chapters.
std::vector<OutputFile> FilePerChapter(const InputText& input, const std::string& target,
                                       const std::vector<std::size_t>& numbers, std::size_t total);

}  // namespace narrate
