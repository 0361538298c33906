// The dialog's settings saved as one section, in one write of the file.
#pragma once

#include <string>
#include <utility>
#include <vector>

using SettingsValues = std::vector<std::pair<std::string, std::string>>;

// The section's lines with each key's line replaced where it stands (its first
// line, matched without regard to ASCII case) or appended when missing; other
// lines stay as they are.
std::vector<std::string> SectionWithValues(std::vector<std::string> lines, const SettingsValues& values);

// Sets the keys in the file's section as one replacement of the file. False with
// the last error set when the file could not be written.
bool SaveSettingsSection(const char* section, const SettingsValues& values, const char* fileName);
