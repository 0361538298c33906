#include "load_input.h"

#include "load_text_file.h"

#include <varnel/document.h>
#include <winnls.h>

#include <cstdio>
#include <memory>

namespace {

std::u16string FromUtf8(std::string_view text)
{
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::u16string wide(static_cast<std::size_t>(units > 0 ? units : 0), u'\0');
    if (units > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), units);
    return wide;
}

// A document's words reach messages in the ANSI code page, as the paths do.
std::string ToAnsi(std::string_view utf8)
{
    if (GetACP() == CP_UTF8) return std::string(utf8);
    const std::u16string wide = FromUtf8(utf8);
    const int size = static_cast<int>(wide.size());
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), size, ansi.data(), bytes, nullptr, nullptr);
    return ansi;
}

// The file's name without its folder and extension, for a text that has no title.
std::string FileStem(const char* path)
{
    std::string name = path;
    name.erase(0, name.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

std::u16string FromAnsi(const std::string& ansi)
{
    const int units = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::u16string wide(static_cast<std::size_t>(units > 1 ? units - 1 : 0), u'\0');
    if (units > 1) MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide.data(), units);
    return wide;
}

LoadedInput LoadTextInput(const char* path, bool countMessage)
{
    LoadedInput loaded;
    WCHAR* wide = nullptr;
    std::size_t kept = 0;
    const BOOL read = countMessage ? LoadTextFile(path, &wide) : LoadTextFileWithoutCount(path, &wide, &kept);
    std::unique_ptr<WCHAR[]> owned(wide);
    if (!read) return loaded;  // the loader said why
    loaded.loaded = true;
    InputText& input = loaded.input;
    if (owned) input.text = owned.get();
    input.title = FromAnsi(FileStem(path));
    input.chapters.push_back({input.title, 0, input.text.size(), CountWords(input.text)});
    return loaded;
}

LoadedInput LoadDocumentInput(const char* path, document::Kind kind, bool countMessage)
{
    LoadedInput loaded;
    document::Reading reading = document::Read(path, kind);
    if (!reading.ok) {
        loaded.problem = std::string(path) + " " + ToAnsi(reading.problem);
        return loaded;
    }
    const document::Document& book = reading.document;
    InputText& input = loaded.input;
    input.document = true;
    input.title = FromUtf8(book.title.empty() ? FileStem(path) : book.title);
    input.author = FromUtf8(book.author);
    for (const std::string& warning : book.warnings) input.warnings.push_back(ToAnsi(warning));
    std::size_t bytes = 0;
    for (const document::Chapter& chapter : book.chapters) {
        if (!input.text.empty()) {
            input.text += u"\n\n";
            bytes += 2;
        }
        std::u16string text = FromUtf8(chapter.text);
        input.chapters.push_back({FromUtf8(chapter.title), input.text.size(), text.size(), CountWords(text)});
        input.text += text;
        bytes += chapter.text.size();
    }
    if (countMessage) {
        std::printf("%d char to be conerted......", static_cast<int>(bytes));
        std::fflush(stdout);
    }
    loaded.loaded = true;
    return loaded;
}

}  // namespace

std::size_t CountWords(std::u16string_view text)
{
    std::size_t words = 0;
    bool inWord = false;
    for (char16_t c : text) {
        const bool blank = c == u' ' || c == u'\n' || c == u'\t' || c == u'\r' || c == 0x3000 || c == 0xA0;
        if (!blank && !inWord) ++words;
        inWord = !blank;
    }
    return words;
}

LoadedInput LoadInput(const char* path, bool countMessage)
{
    const document::Kind kind = path ? document::Recognise(path) : document::Kind::Text;
    if (kind == document::Kind::Text) return LoadTextInput(path, countMessage);
    return LoadDocumentInput(path, kind, countMessage);
}
