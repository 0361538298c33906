#include "failure_report.h"

#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

// Standard output and standard error both appended to one file, in the order
// their bytes reach it, for the life of the object.
class BothStreamsToFile {
public:
    explicit BothStreamsToFile(const std::filesystem::path& path)
        : savedOut_(Moved(STDOUT_FILENO)), savedErr_(Moved(STDERR_FILENO))
    {
        int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0600);
        dup2(file, STDOUT_FILENO);
        dup2(file, STDERR_FILENO);
        close(file);
    }
    ~BothStreamsToFile()
    {
        Restore(savedOut_, STDOUT_FILENO, stdout);
        Restore(savedErr_, STDERR_FILENO, stderr);
    }
    BothStreamsToFile(const BothStreamsToFile&) = delete;
    BothStreamsToFile& operator=(const BothStreamsToFile&) = delete;

private:
    static int Moved(int descriptor)
    {
        std::fflush(descriptor == STDOUT_FILENO ? stdout : stderr);
        return dup(descriptor);
    }
    static void Restore(int saved, int descriptor, std::FILE* stream)
    {
        std::fflush(stream);
        dup2(saved, descriptor);
        close(saved);
    }

    int savedOut_;
    int savedErr_;
};

std::string FileText(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(FailureReport, StandardOutputGoesFirstThenTheNamedLine)
{
    testing_support::ScratchDir scratch;
    const auto both = scratch / "both.txt";
    {
        BothStreamsToFile redirect(both);
        std::fputs("12 char to be conerted......", stdout);  // no line end: still buffered
        WriteFailureLine("narrate", "cannot write %s: %s", "out.wav", "access is denied (0x80070005)");
    }
    EXPECT_EQ(FileText(both),
              "12 char to be conerted......narrate: cannot write out.wav: access is denied (0x80070005)\n");
}

TEST(FailureReport, WithoutAProgramNameTheLineAlone)
{
    ::testing::internal::CaptureStderr();
    WriteFailureLine("", "the text of %s does not fit in memory", "big.txt");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "the text of big.txt does not fit in memory\n");
}

}  // namespace
