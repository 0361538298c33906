// The private-profile functions: any file content, any section, key and value.
// Reads stay inside their buffers; a write that the file format can hold reads
// back, and leaves the section's other keys as they were; a section written
// whole holds just what was written.
#include "fuzz_target.h"
#include "scratch_dir.h"

#include <varnel/syscalls.h>
#include <winbase.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

int NoSync(int) { return 0; }  // the disk is not under test; a sync per run is slow

struct Setup {
    Setup()
    {
        win32::sys::Table calls = win32::sys::RealCalls();
        calls.fsync = &NoSync;
        override.emplace(calls);
    }
    testing_support::ScratchDir folder;
    std::optional<win32::sys::ScopedOverride> override;
    std::string file = (folder / "fuzz.ini").string();
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

bool Trimmed(std::string_view text) { return !text.empty() && !IsBlank(text.front()) && !IsBlank(text.back()); }

// What a Key=Value line under a [Section] line gives back unchanged.
bool RoundTrips(std::string_view section, std::string_view key, std::string_view value)
{
    if (!Trimmed(section) || HasLineBreak(section) || section.find(']') != std::string_view::npos) return false;
    if (!Trimmed(key) || HasLineBreak(key) || key.find('=') != std::string_view::npos) return false;
    if (key.front() == ';' || key.front() == '[') return false;
    if (HasLineBreak(value) || (!value.empty() && !Trimmed(value))) return false;
    bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    return !quoted;
}

std::string Read(const std::string& section, const std::string& key, const std::string& file, std::size_t room)
{
    std::vector<char> buffer(room + 1, '\x7F');
    DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(),
                                            static_cast<DWORD>(room), file.c_str());
    FUZZ_CHECK(length < room && buffer[length] == '\0' && buffer[room] == '\x7F');
    return std::string(buffer.data(), length);
}

// The strings of a list in which each one ends with a zero, as the profile
// functions give names and lines.
std::vector<std::string> SplitAtZeros(const std::vector<char>& buffer, std::size_t length)
{
    std::vector<std::string> strings;
    for (std::size_t at = 0; at < length;) {
        std::size_t end = std::find(buffer.begin() + static_cast<long>(at), buffer.end(), '\0') - buffer.begin();
        strings.emplace_back(buffer.data() + at, end - at);
        at = end + 1;
    }
    return strings;
}

// The names GetPrivateProfileStringA lists (a null section or key), cut to `room`.
std::vector<std::string> Names(const char* section, const std::string& file, std::size_t room)
{
    std::vector<char> buffer(room + 1, '\x7F');
    DWORD length = GetPrivateProfileStringA(section, nullptr, "", buffer.data(), static_cast<DWORD>(room), file.c_str());
    FUZZ_CHECK(length < room && buffer[room] == '\x7F');
    return SplitAtZeros(buffer, length);
}

// The lines GetPrivateProfileSectionA gives, cut to `room`.
std::vector<std::string> SectionLines(const std::string& section, const std::string& file, std::size_t room)
{
    std::vector<char> buffer(room + 1, '\x7F');
    DWORD length = GetPrivateProfileSectionA(section.c_str(), buffer.data(), static_cast<DWORD>(room), file.c_str());
    FUZZ_CHECK(length < room && buffer[room] == '\x7F');
    return SplitAtZeros(buffer, length);
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Names that look up the same key: the lookup ignores case and outer blanks.
bool SameName(std::string_view a, std::string_view b)
{
    a = TrimBlanks(a);
    b = TrimBlanks(b);
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

}  // namespace

VARNEL_FUZZ_TARGET(FuzzProfile)
{
    static Setup setup;
    auto parts = fuzz::SplitParts(data, size, 4);
    const std::string section(parts[0]), key(parts[1]), value(parts[2]);
    std::ofstream(setup.file, std::ios::binary | std::ios::trunc) << parts[3];
    // Room for anything the file can come to hold: its content, plus one written line
    // made of this input's own parts. Buffers sized to the input keep a run cheap.
    const std::size_t whole = 2 * size + 64;

    // Each look-up once cut short and once with room to spare. The input's length
    // picks the cut, so the fuzzer tries every small room without paying for all
    // of them on every run.
    const std::size_t cut = 1 + size % 9;
    for (std::size_t room : {cut, std::size_t{4096}}) {
        Read(section, key, setup.file, room);
        Names(nullptr, setup.file, room);
        SectionLines(section, setup.file, room);
    }
    GetPrivateProfileIntA(section.c_str(), key.c_str(), 7, setup.file.c_str());

    std::map<std::string, std::string> before;
    for (const std::string& name : Names(section.c_str(), setup.file, whole))
        if (!SameName(name, key) && !before.count(name)) before[name] = Read(section, name, setup.file, whole);

    BOOL written = WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), setup.file.c_str());
    if (!RoundTrips(section, key, value)) return 0;
    FUZZ_CHECK(written);
    FUZZ_CHECK(Read(section, key, setup.file, value.size() + 2) == value);
    for (const auto& [name, old] : before) FUZZ_CHECK(Read(section, name, setup.file, whole) == old);

    // The whole section replaced by that one line: it is all the section holds.
    const std::string line = key + "=" + value;
    FUZZ_CHECK(WritePrivateProfileSectionA(section.c_str(), (line + '\0').c_str(), setup.file.c_str()));
    FUZZ_CHECK(SectionLines(section, setup.file, whole) == std::vector<std::string>{line});
    FUZZ_CHECK(Read(section, key, setup.file, value.size() + 2) == value);
    return 0;
}
