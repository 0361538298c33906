// Faults the built narrate meets as a child process: killed mid-render, endless
// or huge input, pipes, bytes that are no text, and no sound server to talk to.
// Nothing may be lost, and every refusal says why.
#include "converter_test_support.h"

#include <env_var.h>
#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>

namespace {

using converter_test::AwaitEvent;
using converter_test::Child;
using converter_test::NamesIn;
using converter_test::ParseWav;
using converter_test::QuickVoice;
using converter_test::ReadBytes;
using converter_test::RunChild;
using converter_test::RunResult;
using converter_test::WriteBytes;
using Names = std::vector<std::string>;

constexpr const char* kText = "A short text, to be read aloud.\n";

class NarrateFaultTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(std::filesystem::exists(converter_test::BuiltNarrate())) << converter_test::BuiltNarrate();
    }
    std::string In(const std::string& name) const { return (env_.cwd() / name).string(); }

    // The WAV that a plain file with `text` gives: what any other source of it must give.
    std::string Reference(const std::string& text)
    {
        WriteBytes(In("reference.txt"), text);
        RunResult run = RunChild({In("reference.txt"), In("reference.wav")});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return ReadBytes(In("reference.wav"));
    }

    testing_support::IsolatedEnvironment env_;
};

TEST_F(NarrateFaultTest, AKilledRunKeepsTheOldOutputAndTheNextRunClearsItsLeftover)
{
    std::string longText;
    while (longText.size() < 200000) longText += kText;
    WriteBytes(In("long.txt"), longText);
    WriteBytes(In("out.wav"), "old contents");
    int inotify = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(inotify, 0);
    ASSERT_GE(inotify_add_watch(inotify, env_.cwd().c_str(), IN_CREATE), 0);
    Child killed({In("long.txt"), In("out.wav")});
    ASSERT_GT(killed.pid(), 0);
    const std::string leftover = AwaitEvent(inotify, IN_CREATE, ".narrate-", [](const std::string&) { return true; });
    close(inotify);
    ASSERT_EQ(leftover, ".narrate-" + std::to_string(killed.pid()) + ".tmp");
    kill(killed.pid(), SIGKILL);
    killed.Wait();
    EXPECT_EQ(ReadBytes(In("out.wav")), "old contents");
    EXPECT_EQ(NamesIn(env_.cwd()), (Names{leftover, "long.txt", "out.wav"}));

    WriteBytes(In("short.txt"), kText);
    RunResult next = RunChild({In("short.txt"), In("next.wav")});
    EXPECT_EQ(next.exitCode, 0) << next.err;
    EXPECT_TRUE(ParseWav(ReadBytes(In("next.wav"))).valid);
    EXPECT_EQ(NamesIn(env_.cwd()), (Names{"long.txt", "next.wav", "out.wav", "short.txt"}));
}

// Puts a filesystem of `bytes` at `folder` for this process alone: a tmpfs in a
// mount namespace of its own (in a user namespace when not privileged).
bool MountSmallDisk(const std::string& folder, std::size_t bytes)
{
    if (unshare(CLONE_NEWNS) != 0) {
        const uid_t uid = getuid();
        const gid_t gid = getgid();
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << uid << ' ' << uid << " 1";
        std::ofstream("/proc/self/gid_map") << gid << ' ' << gid << " 1";
    }
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    const std::string size = "size=" + std::to_string(bytes);
    return mount("tmpfs", folder.c_str(), "tmpfs", 0, size.c_str()) == 0;
}

// A full disk while rendering: the real file system says ENOSPC, not a test hook.
TEST_F(NarrateFaultTest, AFullDiskKeepsTheOldOutputAndSaysWhy)
{
    std::string text;
    while (text.size() < 20000) text += kText;  // tens of MB of samples
    WriteBytes(In("long.txt"), text);
    const std::string disk = In("disk");
    std::filesystem::create_directory(disk);

    // The disk exists only in a child's mount namespace, so the child runs and
    // looks; it reports back through a pipe.
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const std::string voice = QuickVoice();  // asked before the child's disk is small
    pid_t pid = fork();
    if (pid == 0) {
        close(report[0]);
        if (!MountSmallDisk(disk, 1 << 20)) _exit(77);
        WriteBytes(disk + "/out.wav", "old contents");
        RunResult run = RunChild({In("long.txt"), disk + "/out.wav", voice});
        std::string seen = std::to_string(run.exitCode) + "\n" + run.out + "\n" + run.err + ReadBytes(disk + "/out.wav");
        for (const std::string& name : NamesIn(disk)) seen += "\n" + name;
        (void)!write(report[1], seen.data(), seen.size());
        _exit(0);
    }
    close(report[1]);
    std::string seen;
    char buffer[4096];
    for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;) seen.append(buffer, static_cast<std::size_t>(n));
    close(report[0]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no mount namespace for a small disk here";
    const std::size_t counted = text.size() / std::strlen(kText) * 30;  // 30 counted per kText, as from the FIFO
    EXPECT_EQ(seen, "1\n" + std::to_string(counted) +
                        " char to be conerted......\n"
                        "narrate: rendering the text failed: there is not enough space on the disk (0x80070070)\n"
                        "old contents\nout.wav");
}

TEST_F(NarrateFaultTest, EndlessOrHugeInputIsRefusedNamingTheLimit)
{
    std::string sparse = In("sparse.txt");
    {
        std::ofstream touch(sparse);
    }
    ASSERT_EQ(truncate(sparse.c_str(), off_t{1} << 40), 0);  // 1 TiB of zeros, no disk used
    for (const std::string& input : {std::string("/dev/zero"), sparse}) {
        RunResult run = RunChild({input, In("out.wav")});
        EXPECT_EQ(run.exitCode, 1) << input;
        EXPECT_EQ(run.out, "") << input;
        EXPECT_EQ(run.err, "narrate: the text of " + input +
                               " is longer than 64 MiB, the most that is read; nothing was converted\n");
        EXPECT_FALSE(std::filesystem::exists(In("out.wav")));
    }
}

TEST_F(NarrateFaultTest, APipeOrAFifoThatEndsIsReadLikeAFile)
{
    const std::string reference = Reference(kText);
    ASSERT_TRUE(ParseWav(reference).valid);

    ASSERT_EQ(mkfifo(In("fifo").c_str(), 0600), 0);
    std::thread writer([&] {
        int fd = open(In("fifo").c_str(), O_WRONLY);  // waits for narrate to open it
        if (fd < 0) return;
        (void)!write(fd, kText, std::strlen(kText));
        close(fd);
    });
    RunResult fromFifo = RunChild({In("fifo"), In("fifo.wav")});
    writer.join();
    EXPECT_EQ(fromFifo.exitCode, 0) << fromFifo.err;
    EXPECT_EQ(fromFifo.out, "30 char to be conerted......");
    EXPECT_EQ(ReadBytes(In("fifo.wav")), reference);

    // As `narrate <(command) out.wav` hands it: a pipe whose writer has finished.
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], kText, std::strlen(kText)), static_cast<ssize_t>(std::strlen(kText)));
    close(ends[1]);
    RunResult fromPipe = RunChild({"/dev/fd/" + std::to_string(ends[0]), In("pipe.wav")});
    close(ends[0]);
    EXPECT_EQ(fromPipe.exitCode, 0) << fromPipe.err;
    EXPECT_EQ(ReadBytes(In("pipe.wav")), reference);
}

TEST_F(NarrateFaultTest, BytesThatAreNoTextKeepTheCountMessage)
{
    // Cut sequences, stray continuation and lead bytes, a lone GBK lead byte.
    const std::string bytes = "caf\xC3 \x80\x80 ok \xE4\xBD \xFF\xFE \x81\x20 end\n";
    WriteBytes(In("bad.txt"), bytes);
    for (const char* locale : {"C.UTF-8", "zh_CN.GBK"}) {
        testing_support::EnvVar lcAll("LC_ALL", std::string(locale));
        RunResult run = RunChild({In("bad.txt"), In("bad.wav")});
        EXPECT_EQ(run.exitCode, 0) << locale << ": " << run.err;
        EXPECT_EQ(run.out, std::to_string(bytes.size()) + " char to be conerted......") << locale;
        EXPECT_TRUE(ParseWav(ReadBytes(In("bad.wav"))).valid) << locale;
    }
}

// A server address that records whether anyone connected.
class ListeningSocket {
public:
    explicit ListeningSocket(const std::string& path) : fd_(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        ok_ = bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(fd_, 4) == 0;
    }
    ~ListeningSocket() { close(fd_); }
    bool ok() const { return ok_; }
    bool Contacted() const
    {
        int peer = accept(fd_, nullptr, nullptr);
        if (peer >= 0) close(peer);
        return peer >= 0;
    }

private:
    int fd_;
    bool ok_ = false;
};

TEST_F(NarrateFaultTest, NeverContactsTheSoundServer)
{
    ListeningSocket server(In("pulse-native"));
    ASSERT_TRUE(server.ok());
    testing_support::EnvVar pulse("PULSE_SERVER", "unix:" + In("pulse-native"));
    // A short text, and one long enough to be rendered in pieces by workers.
    std::string longText;
    while (longText.size() < 20000) longText += kText;
    for (const std::string& text : {std::string(kText), longText}) {
        WriteBytes(In("in.txt"), text);
        RunResult run = RunChild({In("in.txt"), In("out.wav"), QuickVoice()});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_TRUE(ParseWav(ReadBytes(In("out.wav"))).valid);
    }
    EXPECT_FALSE(server.Contacted());
}

}  // namespace
