// `narrate --voices`: the installed voices, numbered as a run counts them.
#pragma once

#include <cstdio>

namespace narrate {

// One line per voice: its number from 1, a tab, its description in the ANSI code
// page. False (with a line on standard error) when COM or the voices fail.
bool PrintVoiceList(std::FILE* out);

}  // namespace narrate
