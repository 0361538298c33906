// Which chapters of the input a run renders, and how often (--pick, --loop).
#pragma once

#include <load_input.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace narrate {

// "3", "2,4-6": chapter numbers as --chapters prints them, counted from 1;
// ascending and each once. Nothing, with `error` set, for a list that is not one
// or names a chapter past `chapters`.
std::optional<std::vector<std::size_t>> ParsePickList(std::string_view list, std::size_t chapters,
                                                      std::string& error);

// The input with only the chapters numbered `numbers`, a blank line between them.
InputText PickChapters(const InputText& input, const std::vector<std::size_t>& numbers);
// A text `times` times over: a text file's copies one blank apart, as the dialog
// repeats a text; a document's a blank line apart.
std::u16string RepeatText(const std::u16string& text, int times, bool document);
// The input said `times` times over: a text file's copies one blank apart, as the
// dialog repeats a text; a document's a blank line apart, chapters and all.
InputText RepeatInput(const InputText& input, int times);

}  // namespace narrate
