#include <profile_document.h>

#include <algorithm>

namespace win32::profile {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view text)
{
    auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return Lower(x) == Lower(y);
           });
}

std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

bool IsBlankLine(std::string_view line) { return Trim(line).empty(); }

// Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about "[" + string.
std::string SectionHeader(std::string_view name)
{
    std::string header;
    header.reserve(name.size() + 2);
    header += '[';
    header += name;
    header += ']';
    return header;
}

}  // namespace

Document Document::Parse(std::string_view text)
{
    Document document;
    if (text.starts_with(kByteOrderMark)) {
        document.byteOrderMark_ = true;
        text.remove_prefix(kByteOrderMark.size());
    }
    while (!text.empty()) {
        auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        document.lines_.emplace_back(line);
    }
    return document;
}

std::optional<std::string_view> Document::SectionOf(std::string_view line)
{
    line = Trim(line);
    if (!line.starts_with('[')) return std::nullopt;
    line.remove_prefix(1);
    return Trim(line.substr(0, line.find(']')));
}

std::optional<Document::KeyLine> Document::KeyOf(std::string_view line)
{
    std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') return std::nullopt;
    auto equals = trimmed.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    std::string_view key = Trim(trimmed.substr(0, equals));
    if (key.empty()) return std::nullopt;
    return KeyLine{key, trimmed.substr(equals + 1)};
}

std::optional<std::size_t> Document::FindSection(std::string_view section) const
{
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        auto name = SectionOf(lines_[i]);
        if (name && SameName(*name, section)) return i;
    }
    return std::nullopt;
}

std::size_t Document::SectionEnd(std::size_t header) const
{
    std::size_t end = header + 1;
    while (end < lines_.size() && !SectionOf(lines_[end])) ++end;
    return end;
}

std::optional<std::size_t> Document::FindKey(std::string_view section, std::string_view key) const
{
    bool inSection = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (auto name = SectionOf(lines_[i])) {
            inSection = SameName(*name, section);
            continue;
        }
        if (!inSection) continue;
        auto line = KeyOf(lines_[i]);
        if (line && SameName(line->key, key)) return i;
    }
    return std::nullopt;
}

std::optional<std::string> Document::Get(std::string_view section, std::string_view key) const
{
    auto index = FindKey(Trim(section), Trim(key));
    if (!index) return std::nullopt;
    return std::string(Unquote(Trim(KeyOf(lines_[*index])->value)));
}

std::vector<std::string> Document::Sections() const
{
    std::vector<std::string> names;
    for (const auto& line : lines_) {
        auto name = SectionOf(line);
        if (!name) continue;
        bool known = std::any_of(names.begin(), names.end(), [&](const std::string& n) { return SameName(n, *name); });
        if (!known) names.emplace_back(*name);
    }
    return names;
}

std::vector<std::string> Document::Keys(std::string_view section) const
{
    section = Trim(section);
    std::vector<std::string> keys;
    bool inSection = false;
    for (const auto& text : lines_) {
        if (auto name = SectionOf(text)) {
            inSection = SameName(*name, section);
            continue;
        }
        auto line = KeyOf(text);
        if (!inSection || !line) continue;
        bool known = std::any_of(keys.begin(), keys.end(), [&](const std::string& k) { return SameName(k, line->key); });
        if (!known) keys.emplace_back(line->key);
    }
    return keys;
}

std::vector<std::string> Document::SectionLines(std::string_view section) const
{
    std::vector<std::string> body;
    auto header = FindSection(Trim(section));
    if (!header) return body;
    for (std::size_t i = *header + 1; i < SectionEnd(*header); ++i)
        if (!IsBlankLine(lines_[i])) body.emplace_back(Trim(lines_[i]));
    return body;
}

void Document::Set(std::string_view section, std::string_view key, std::string_view value)
{
    section = Trim(section);
    key = Trim(key);
    if (auto index = FindKey(section, key)) {
        std::string written(KeyOf(lines_[*index])->key);  // keeps the file's spelling
        lines_[*index] = written + "=" + std::string(value);
        return;
    }
    std::string line = std::string(key) + "=" + std::string(value);
    auto header = FindSection(section);
    if (!header) {
        lines_.push_back(SectionHeader(section));
        lines_.push_back(line);
        return;
    }
    // After the section's last line that is not blank, so blank lines that
    // part it from the next section stay where they are.
    std::size_t insert = SectionEnd(*header);
    while (insert > *header + 1 && IsBlankLine(lines_[insert - 1])) --insert;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert), line);
}

void Document::ReplaceSection(std::string_view section, const std::vector<std::string>& lines)
{
    section = Trim(section);
    auto header = FindSection(section);
    if (!header) {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.insert(lines_.end(), lines.begin(), lines.end());
        return;
    }
    std::size_t end = SectionEnd(*header);
    while (end > *header + 1 && IsBlankLine(lines_[end - 1])) --end;
    auto first = lines_.begin() + static_cast<std::ptrdiff_t>(*header + 1);
    lines_.erase(first, lines_.begin() + static_cast<std::ptrdiff_t>(end));
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*header + 1), lines.begin(), lines.end());
}

void Document::RemoveKey(std::string_view section, std::string_view key)
{
    while (auto index = FindKey(Trim(section), Trim(key)))
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*index));
}

void Document::RemoveSection(std::string_view section)
{
    while (auto header = FindSection(Trim(section))) {
        auto first = lines_.begin() + static_cast<std::ptrdiff_t>(*header);
        lines_.erase(first, lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(*header)));
    }
}

std::string Document::Serialize() const
{
    std::string out = byteOrderMark_ ? std::string(kByteOrderMark) : std::string();
    for (const auto& line : lines_) {
        out += line;
        out += "\r\n";
    }
    return out;
}

}  // namespace win32::profile
