#include "output_files.h"

#include <winnls.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace narrate {
namespace {

constexpr std::size_t kLongestTitleBytes = 120;  // of a name; a file name may have 255

std::string LowerAscii(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string ToAnsi(const std::u16string& wide)
{
    const int size = static_cast<int>(wide.size());
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), size, ansi.data(), bytes, nullptr, nullptr);
    return ansi;
}

std::u16string FromAscii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// A chapter title as part of a file name: none of the characters that a folder
// separator or the file systems of players and memory cards refuse, no dots or
// blanks at its ends, not too long.
std::u16string TitleForFileName(std::u16string title)
{
    for (char16_t& c : title)
        if (c < 0x20 || std::u16string_view(u"/\\:*?\"<>|").find(c) != std::u16string_view::npos) c = u' ';
    std::u16string tidy;
    for (char16_t c : title)
        if (c != u' ' || (!tidy.empty() && tidy.back() != u' ')) tidy += c;
    while (!tidy.empty() && (tidy.back() == u' ' || tidy.back() == u'.')) tidy.pop_back();
    while (!tidy.empty() && tidy.front() == u'.') tidy.erase(0, 1);
    while (ToAnsi(tidy).size() > kLongestTitleBytes) {
        tidy.pop_back();
        if (!tidy.empty() && tidy.back() >= 0xD800 && tidy.back() < 0xDC00) tidy.pop_back();  // half a pair
    }
    return tidy;
}

}  // namespace

std::optional<std::string> AudioExtension(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1) return std::nullopt;
    const std::string extension = LowerAscii(path.substr(dot + 1));
    for (const char* known : {"wav", "flac", "opus", "ogg", "mp3", "m4a", "m4b"})
        if (extension == known) return extension;
    return std::nullopt;
}

OutputFile WholeFile(const InputText& input, const std::string& target)
{
    OutputFile file;
    file.path = target;
    file.text = input.text;
    if (input.document) file.chapters = input.chapters;
    file.title = input.title;
    file.artist = input.author;
    return file;
}

std::vector<OutputFile> FilePerChapter(const InputText& input, const std::string& target,
                                       const std::vector<std::size_t>& numbers, std::size_t total)
{
    const std::size_t slash = target.rfind('/');
    const std::size_t dot = target.rfind('.');
    const std::string stem = target.substr(0, dot), extension = target.substr(dot);
    const int width = std::max<int>(2, static_cast<int>(std::to_string(total).size()));
    std::vector<OutputFile> files;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const InputChapter& chapter = input.chapters.at(i);
        char number[16];
        std::snprintf(number, sizeof number, "%0*zu", width, numbers[i]);
        const std::u16string title = TitleForFileName(chapter.title);
        const bool bareStem = slash != std::string::npos && slash + 1 == stem.size();
        OutputFile file;
        file.path = stem + (bareStem ? "" : " ") + number + (title.empty() ? "" : " " + ToAnsi(title)) + extension;
        file.text = input.text.substr(chapter.start, chapter.length);
        if (input.document) file.chapters.push_back({chapter.title, 0, chapter.length, chapter.words});
        file.title = chapter.title;
        file.artist = input.author;
        file.album = input.title;
        file.track = FromAscii(std::to_string(numbers[i]) + "/" + std::to_string(total));
        files.push_back(std::move(file));
    }
    return files;
}

}  // namespace narrate
