#include "SettingsSection.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include <windows.h>

namespace {

std::string_view KeyOfLine(std::string_view line)
{
    if (line.empty() || line.front() == ';' || line.front() == '[') return {};
    auto equals = line.find('=');
    if (equals == std::string_view::npos) return {};
    line = line.substr(0, equals);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    return line;
}

bool SameKey(std::string_view a, std::string_view b)
{
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

std::vector<std::string> ReadSectionLines(const char* section, const char* fileName)
{
    std::vector<char> buffer(4096);
    DWORD length = 0;
    // A full buffer returns size - 2: read again with room to spare.
    while ((length = GetPrivateProfileSectionA(section, buffer.data(), static_cast<DWORD>(buffer.size()),
                                               fileName)) == buffer.size() - 2)
        buffer.resize(buffer.size() * 2);
    std::vector<std::string> lines;
    for (const char* line = buffer.data(); line < buffer.data() + length; line += std::strlen(line) + 1)
        lines.emplace_back(line);
    return lines;
}

}  // namespace

std::vector<std::string> SectionWithValues(std::vector<std::string> lines, const SettingsValues& values)
{
    for (const auto& [key, value] : values) {
        auto line = std::find_if(lines.begin(), lines.end(),
                                 [&key = key](const std::string& l) { return SameKey(KeyOfLine(l), key); });
        if (line == lines.end()) lines.push_back(key + "=" + value);
        else *line = std::string(KeyOfLine(*line)) + "=" + value;
    }
    return lines;
}

bool SaveSettingsSection(const char* section, const SettingsValues& values, const char* fileName)
{
    std::string list;
    for (const auto& line : SectionWithValues(ReadSectionLines(section, fileName), values))
        list.append(line).push_back('\0');
    list.push_back('\0');
    return WritePrivateProfileSectionA(section, list.c_str(), fileName) != FALSE;
}
