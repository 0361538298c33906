#include "registry_hive.h"

#include <cstdio>
#include <cstdlib>

namespace com::registry {
namespace {

constexpr std::string_view kHeader = "varnel-registry 1";

// "@" stands for the empty text; blanks, controls, '%', '@' and DEL become %XX.
std::string Escape(std::string_view text)
{
    if (text.empty()) return "@";
    std::string out;
    for (unsigned char c : text) {
        if (c <= 0x20 || c == '%' || c == '@' || c == 0x7F) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool DecodeHexPair(std::string_view text, std::size_t at, char& out)
{
    if (at + 1 >= text.size()) return false;
    int high = HexDigit(text[at]), low = HexDigit(text[at + 1]);
    if (high < 0 || low < 0) return false;
    out = static_cast<char>(high * 16 + low);
    return true;
}

bool Unescape(std::string_view text, std::string& out)
{
    out.clear();
    if (text == "@") return true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        char c;
        if (!DecodeHexPair(text, i + 1, c)) return false;
        out += c;
        i += 2;
    }
    return true;
}

std::string HexData(std::string_view data)
{
    if (data.empty()) return "-";
    std::string out;
    for (unsigned char c : data) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", c);
        out += hex;
    }
    return out;
}

bool DataFromHex(std::string_view text, std::string& out)
{
    out.clear();
    if (text == "-") return true;
    if (text.size() % 2) return false;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        char c;
        if (!DecodeHexPair(text, i, c)) return false;
        out += c;
    }
    return true;
}

std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t end = line.find(' ', start);
        if (end == std::string_view::npos) end = line.size();
        fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

bool IsUnder(std::string_view folded, std::string_view ancestor)
{
    if (ancestor.empty()) return !folded.empty();
    return folded.size() > ancestor.size() && folded.compare(0, ancestor.size(), ancestor) == 0
        && folded[ancestor.size()] == '\\';
}

}  // namespace

std::string Fold(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

Hive::Hive() { keys_.emplace("", Key{}); }

// Descendants sort together right after "<path>\\" (the root's after "").
std::map<std::string, Key>::iterator Hive::FirstUnder(const std::string& folded)
{
    return folded.empty() ? keys_.upper_bound("") : keys_.lower_bound(folded + '\\');
}

std::map<std::string, Key>::const_iterator Hive::FirstUnder(const std::string& folded) const
{
    return folded.empty() ? keys_.upper_bound("") : keys_.lower_bound(folded + '\\');
}

bool Hive::HasKey(std::string_view path) const { return FindKey(path) != nullptr; }

bool Hive::HasSubKeys(std::string_view path) const
{
    std::string folded = Fold(path);
    auto it = FirstUnder(folded);
    return it != keys_.end() && IsUnder(it->first, folded);
}

Key* Hive::FindKey(std::string_view path)
{
    auto it = keys_.find(Fold(path));
    return it == keys_.end() ? nullptr : &it->second;
}

const Key* Hive::FindKey(std::string_view path) const
{
    auto it = keys_.find(Fold(path));
    return it == keys_.end() ? nullptr : &it->second;
}

bool Hive::CreateKey(std::string_view path)
{
    if (HasKey(path)) return false;
    for (std::size_t end = path.find('\\'); end != std::string_view::npos; end = path.find('\\', end + 1))
        keys_.try_emplace(Fold(path.substr(0, end)), Key{std::string(path.substr(0, end)), {}});
    keys_.emplace(Fold(path), Key{std::string(path), {}});
    return true;
}

void Hive::RemoveTree(std::string_view path)
{
    std::string folded = Fold(path);
    if (folded.empty()) return;
    ClearKey(path);
    keys_.erase(folded);
}

void Hive::ClearKey(std::string_view path)
{
    std::string folded = Fold(path);
    auto it = keys_.find(folded);
    if (it == keys_.end()) return;
    it->second.values.clear();
    for (it = FirstUnder(folded); it != keys_.end() && IsUnder(it->first, folded);) it = keys_.erase(it);
}

std::string Hive::Serialize() const
{
    std::string out(kHeader);
    out += '\n';
    for (const auto& [folded, key] : keys_) {
        out += "key " + Escape(key.path) + '\n';
        for (const auto& [name, value] : key.values)
            out += "value " + Escape(value.name) + ' ' + std::to_string(value.type) + ' ' + HexData(value.data) + '\n';
    }
    return out;
}

Hive Hive::Parse(std::string_view text)
{
    Hive hive;
    Key* current = nullptr;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        auto fields = Fields(line);
        std::string name, data;
        if (!fields.empty() && fields[0] == "key") {
            // Values after an unreadable key line belong to no key.
            current = nullptr;
            if (fields.size() == 2 && Unescape(fields[1], name)) {
                hive.CreateKey(name);
                current = hive.FindKey(name);
            }
        } else if (fields.size() == 4 && fields[0] == "value" && current && Unescape(fields[1], name)
                   && DataFromHex(fields[3], data)) {
            char* typeEnd = nullptr;
            std::string typeText(fields[2]);
            unsigned long type = std::strtoul(typeText.c_str(), &typeEnd, 10);
            if (typeText.empty() || *typeEnd) continue;
            current->values[Fold(name)] = Value{name, static_cast<DWORD>(type), data};
        }
    }
    return hive;
}

}  // namespace com::registry
