#include "chapter_selection.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace narrate {
namespace {

// A chapter number from `list` at `at`; 0 when there is none.
std::size_t ReadNumber(std::string_view list, std::size_t& at)
{
    std::size_t number = 0;
    const std::size_t from = at;
    while (at < list.size() && std::isdigit(static_cast<unsigned char>(list[at])) && at - from < 9)
        number = number * 10 + static_cast<std::size_t>(list[at++] - '0');
    return at == from ? 0 : number;
}

}  // namespace

std::optional<std::vector<std::size_t>> ParsePickList(std::string_view list, std::size_t chapters,
                                                      std::string& error)
{
    std::set<std::size_t> picked;
    std::size_t at = 0;
    const std::string quoted = "--pick " + std::string(list);
    do {
        const std::size_t first = ReadNumber(list, at);
        std::size_t last = first;
        if (at < list.size() && list[at] == '-') {
            ++at;
            last = ReadNumber(list, at);
        }
        if (first == 0 || last < first || (at < list.size() && list[at] != ',')) {
            error = quoted + ": not a list of chapter numbers such as 3 or 2,4-6";
            return std::nullopt;
        }
        if (last > chapters) {
            error = quoted + ": there is no chapter " + std::to_string(last) + ", the input has " +
                    std::to_string(chapters);
            return std::nullopt;
        }
        for (std::size_t n = first; n <= last; ++n) picked.insert(n);
    } while (at < list.size() && list[at++] == ',');
    return std::vector<std::size_t>(picked.begin(), picked.end());
}

InputText PickChapters(const InputText& input, const std::vector<std::size_t>& numbers)
{
    InputText picked = input;
    picked.text.clear();
    picked.chapters.clear();
    for (std::size_t number : numbers) {
        InputChapter chapter = input.chapters.at(number - 1);
        if (!picked.text.empty()) picked.text += u"\n\n";
        picked.text.append(input.text, chapter.start, chapter.length);
        chapter.start = picked.text.size() - chapter.length;
        picked.chapters.push_back(chapter);
    }
    return picked;
}

std::u16string RepeatText(const std::u16string& text, int times, bool document)
{
    std::u16string repeated = text;
    for (int copy = 1; copy < times; ++copy) repeated += (document ? u"\n\n" : u" ") + text;
    return repeated;
}

InputText RepeatInput(const InputText& input, int times)
{
    InputText repeated = input;
    const std::u16string between = input.document ? u"\n\n" : u" ";
    for (int copy = 1; copy < times; ++copy) {
        repeated.text += between;
        const std::size_t offset = repeated.text.size();
        repeated.text += input.text;
        for (InputChapter chapter : input.chapters) {
            chapter.start += offset;
            repeated.chapters.push_back(chapter);
        }
    }
    return repeated;
}

}  // namespace narrate
