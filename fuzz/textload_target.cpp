// The text loader: any bytes as a file, read in text mode and converted from
// the ANSI code page, under UTF-8 (first byte even) and under GBK (odd).
#include "fuzz_target.h"

#include <load_text_file.h>
#include <varnel/codepage.h>
#include <winnls.h>

#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// What the loader must keep: text mode (CR LF -> LF, the data ends at Ctrl-Z)
// without full stops, commas and dollar signs.
std::string KeptBytes(std::string_view file)
{
    std::string kept;
    for (std::size_t i = 0; i < file.size(); ++i) {
        char c = file[i];
        if (c == 0x1A) break;
        if (c == '\r' && i + 1 < file.size() && file[i + 1] == '\n') c = file[++i];
        if (c != '.' && c != ',' && c != '$') kept += c;
    }
    return kept;
}

// A file in memory, reached by a path, so no run touches the disk.
class MemoryFile {
public:
    MemoryFile() : fd_(memfd_create("varnel-fuzz-text", 0)), path_("/proc/self/fd/" + std::to_string(fd_)) {}
    ~MemoryFile() { close(fd_); }
    void Fill(std::string_view bytes)
    {
        FUZZ_CHECK(ftruncate(fd_, 0) == 0);
        FUZZ_CHECK(pwrite(fd_, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()));
    }
    std::string Contents() const
    {
        std::string bytes(static_cast<std::size_t>(lseek(fd_, 0, SEEK_END)), '\0');
        FUZZ_CHECK(pread(fd_, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()));
        return bytes;
    }
    const char* path() const { return path_.c_str(); }

private:
    int fd_;
    std::string path_;
};

// Standard output goes into a memory file while the loader runs.
std::string LoadCapturingOutput(const char* path, WCHAR** text, BOOL& result)
{
    static MemoryFile output;
    output.Fill("");
    std::fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    int target = open(output.path(), O_WRONLY);
    dup2(target, STDOUT_FILENO);
    close(target);
    result = LoadTextFile(path, text);
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    return output.Contents();
}

void UseCodePage(bool gbk)
{
    setenv("LC_ALL", gbk ? "zh_CN.GBK" : "C.UTF-8", 1);
    win32::nls::RereadAnsiCodePage();
}

}  // namespace

VARNEL_FUZZ_TARGET(FuzzTextLoad)
{
    if (size == 0) return 0;
    UseCodePage(data[0] & 1);
    std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1);
    static MemoryFile input;
    input.Fill(file);

    WCHAR* text = nullptr;
    BOOL result = FALSE;
    std::string printed = LoadCapturingOutput(input.path(), &text, result);
    const std::string kept = KeptBytes(file);
    FUZZ_CHECK(result == TRUE);
    FUZZ_CHECK(printed == std::to_string(kept.size()) + " char to be conerted......");
    FUZZ_CHECK((text == nullptr) == kept.empty());
    if (text) {
        // The buffer holds the kept bytes up to the first zero byte, converted.
        std::u16string_view loaded(text);
        FUZZ_CHECK(loaded.size() <= kept.size());
        std::vector<WCHAR> expected(kept.size() + 1, 0);
        int units = MultiByteToWideChar(CP_ACP, 0, kept.c_str(), -1, expected.data(), static_cast<int>(expected.size()));
        FUZZ_CHECK(loaded == (units > 0 ? std::u16string_view(expected.data()) : std::u16string_view()));
        delete[] text;
    }
    return 0;
}
