// The Narrate button with the real converter: the scratch file, the converter's
// command line, the WAV file, the file browser, and every failure reported.
#include "VarnelDlg.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <varnel/process_calls.h>
#include <varnel/syscalls.h>
#include <tests/fake_x_server.h>

#include "VarnelApp.h"
#include "WorkingFolder.h"
#include "gui_fixture.h"

#include <afxdisp.h>
#include <decoded_media.h>
#include <env_var.h>

#include <algorithm>
#include <sstream>
#include "res/resource.h"

using gui_test::ReadFile;
using gui_test::WriteFile;

namespace {

namespace fs = std::filesystem;
namespace proc = win32::proc;

// A program the export started: what was run and its arguments.
struct Spawned {
    std::string path;
    std::vector<std::string> argv;
    bool IsBrowser() const { return !argv.empty() && argv[0] == "explorer.exe"; }
};

// What the export started, recorded through the platform's process calls. The
// file browser's process is waited for before its pidfd is closed, so that what
// its stand-in recorded is complete when the handler returns.
struct Recorder {
    std::vector<Spawned> spawns;
    pid_t converter = -1, browser = -1;
    int converterPidfd = -1, browserPidfd = -1;
    std::string programFolder;  // replaces the running program's folder when set
    std::string currentDirectory;
    bool converterTimesOut = false;
    bool sawConverterWait = false;
    bool waitCursorDuringWait = false;
};
Recorder* recorder = nullptr;

int RecordingSpawn(pid_t* pid, const char* path, const posix_spawn_file_actions_t* actions,
                   const posix_spawnattr_t* attributes, char* const argv[], char* const envp[])
{
    int error = proc::RealCalls().spawn(pid, path, actions, attributes, argv, envp);
    if (error != 0) return error;
    Spawned spawned{path, {}};
    for (char* const* arg = argv; *arg; ++arg) spawned.argv.emplace_back(*arg);
    (spawned.IsBrowser() ? recorder->browser : recorder->converter) = *pid;
    recorder->spawns.push_back(std::move(spawned));
    return 0;
}

int RecordingPidfdOpen(pid_t pid, unsigned int flags)
{
    int fd = proc::RealCalls().pidfdOpen(pid, flags);
    if (pid == recorder->converter) recorder->converterPidfd = fd;
    if (pid == recorder->browser) recorder->browserPidfd = fd;
    return fd;
}

// The first look at the converter's state opens the wait. The background reaper
// (a blocking call) may come after the test and touches nothing.
pid_t WatchingWaitpid(pid_t pid, int* status, int options)
{
    if ((options & WNOHANG) && pid == recorder->converter && !recorder->sawConverterWait) {
        recorder->sawConverterWait = true;
        recorder->waitCursorDuringWait = afxtest::IsWaitCursorShown();
    }
    return proc::RealCalls().waitpid(pid, status, options);
}

int TimingOutPoll(pollfd* fds, nfds_t count, int timeoutMs)
{
    if (recorder->converterTimesOut && count == 1 && fds[0].fd == recorder->converterPidfd && timeoutMs >= 0) {
        fds[0].revents = 0;
        return 0;
    }
    return proc::RealCalls().poll(fds, count, timeoutMs);
}

int WaitingClose(int fd)
{
    if (fd >= 0 && fd == recorder->browserPidfd) {
        pollfd ended{fd, POLLIN, 0};
        while (proc::RealCalls().poll(&ended, 1, -1) < 0 && errno == EINTR) {
        }
        recorder->browserPidfd = -1;
    }
    if (fd == recorder->converterPidfd) recorder->converterPidfd = -1;  // the number may come again
    return proc::RealCalls().close(fd);
}

// readlink semantics: no terminator, cut to the buffer.
ssize_t CopyLink(const std::string& target, char* buffer, size_t size)
{
    const size_t length = std::min(target.size(), size);
    std::memcpy(buffer, target.data(), length);
    return static_cast<ssize_t>(length);
}

ssize_t FakeExecutableLink(const char* path, char* buffer, size_t size)
{
    if (recorder->programFolder.empty() || std::strcmp(path, "/proc/self/exe") != 0)
        return proc::RealCalls().readlink(path, buffer, size);
    return CopyLink(recorder->programFolder + "/Varnel", buffer, size);
}

char* FakeGetcwd(char* buffer, size_t size)
{
    if (recorder->currentDirectory.empty()) return proc::RealCalls().getcwd(buffer, size);
    const std::string& dir = recorder->currentDirectory;
    if (size < dir.size() + 1) {
        errno = ERANGE;
        return nullptr;
    }
    std::memcpy(buffer, dir.c_str(), dir.size() + 1);
    return buffer;
}

std::vector<std::string> Tail(const std::vector<std::string>& items, std::size_t count)
{
    return {items.end() - static_cast<std::ptrdiff_t>(std::min(count, items.size())), items.end()};
}

void MakeScript(const fs::path& path, const std::string& body)
{
    WriteFile(path, "#!/bin/sh\n" + body);
    fs::permissions(path, fs::perms::owner_all);
}

class Export : public gui_test::DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        recorder = &recorder_;
        proc::Table calls = proc::RealCalls();
        calls.spawn = &RecordingSpawn;
        calls.pidfdOpen = &RecordingPidfdOpen;
        calls.waitpid = &WatchingWaitpid;
        calls.poll = &TimingOutPoll;
        calls.close = &WaitingClose;
        calls.readlink = &FakeExecutableLink;
        calls.getcwd = &FakeGetcwd;
        calls_.emplace(calls);

        // The desktop's file manager is a stand-in that writes down what it was asked.
        fs::create_directories(bin_);
        MakeScript(bin_ / "dbus-send", "printf '%s\\n' \"$@\" > '" + (env_.root() / "browser.txt").string() + "'\n");
        MakeScript(bin_ / "xdg-open", "printf 'xdg-open %s\\n' \"$@\" > '" + (env_.root() / "browser.txt").string() + "'\n");
        const char* path = std::getenv("PATH");
        oldPath_ = path ? path : "";
        setenv("PATH", (bin_.string() + ":" + oldPath_).c_str(), 1);
        out_ = env_.root() / "out";
        fs::create_directories(out_);
    }
    void TearDown() override
    {
        setenv("PATH", oldPath_.c_str(), 1);
        calls_.reset();
        recorder = nullptr;
        DialogTest::TearDown();
    }

    // Runs an export with the given output path (nullopt: the save dialog is cancelled).
    void Narrate(const std::function<void(CVarnelDlg&)>& prepare, std::optional<std::string> output)
    {
        afxtest::FileDialogHook files([&](const afxtest::FileDialogCall& call) -> std::optional<CString> {
            saveCalls_.push_back(call);
            if (!output) return std::nullopt;
            return CString(output->c_str());
        });
        Run([&](CVarnelDlg& dialog) {
            prepare(dialog);
            afxtest::Click(&dialog, IDC_EXPORT_WAV);
        });
    }

    std::string Browser() { return ReadFile(env_.root() / "browser.txt"); }
    std::string Scratch() { return ReadFile(env_.cwd() / "input.txt"); }
    std::vector<Spawned> Converters()
    {
        std::vector<Spawned> converters;
        for (auto& spawned : recorder_.spawns)
            if (!spawned.IsBrowser()) converters.push_back(spawned);
        return converters;
    }
    std::vector<Spawned> Browsers()
    {
        std::vector<Spawned> browsers;
        for (auto& spawned : recorder_.spawns)
            if (spawned.IsBrowser()) browsers.push_back(spawned);
        return browsers;
    }
    bool BrowserStarted() { return !Browsers().empty(); }
    // The browser's request: "ShowItems" or "ShowFolders", the item's URI, its folder.
    static void ExpectBrowserRequest(const Spawned& browser, const std::string& method, const std::string& item,
                                     const std::string& folder)
    {
        EXPECT_EQ(browser.path, "/bin/sh");
        ASSERT_EQ(browser.argv.size(), 6u);
        EXPECT_NE(browser.argv[2].find("FileManager1." + method + " "), std::string::npos) << browser.argv[2];
        EXPECT_EQ(browser.argv[4], "file://" + item);
        EXPECT_EQ(browser.argv[5], folder);
    }
    // The boxes the handler showed, without the save dialog's create and overwrite prompts.
    static std::vector<afxtest::MessageBoxCall> Messages(const afxtest::MessageBoxHook& boxes)
    {
        std::vector<afxtest::MessageBoxCall> shown;
        for (const auto& call : boxes.Calls())
            if ((call.type & MB_TYPEMASK) != MB_YESNO) shown.push_back(call);
        return shown;
    }
    static bool IsWav(const fs::path& path) { return ReadFile(path).rfind("RIFF", 0) == 0; }

    afxtest::MessageBoxHook quiet_;  // answers the save dialog's prompts in tests that do not look
    Recorder recorder_;
    std::optional<proc::ScopedOverride> calls_;
    fs::path bin_ = env_.root() / "bin";
    fs::path out_;
    std::string oldPath_;
    std::vector<afxtest::FileDialogCall> saveCalls_;
};

// The engine's voices for the converter (the dialog's list comes from the fake voice,
// whose rows stand for the same positions).
void TypeText(CVarnelDlg& dialog, const char* text) { afxtest::Type(&dialog, IDC_INPUT_TEXT, text); }

TEST_F(Export, TypedTextBecomesAWavShownSelectedInTheFileBrowser)
{
    std::string wav = (out_ / "hello.wav").string();
    afxtest::MessageBoxHook boxes;
    Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "hello world"); }, wav);
    EXPECT_TRUE(Messages(boxes).empty()) << (Messages(boxes).empty() ? "" : Messages(boxes)[0].text.GetString());

    ASSERT_EQ(saveCalls_.size(), 1u);
    EXPECT_FALSE(saveCalls_[0].open);
    EXPECT_EQ(saveCalls_[0].fileName, "*.wav");
    EXPECT_EQ(saveCalls_[0].defExt, "wav");
    EXPECT_EQ(saveCalls_[0].filter,
              "wav File|*.wav|Opus audio|*.opus|MP3 audio|*.mp3|M4B audiobook|*.m4b|M4A audio|*.m4a|"
              "Ogg Vorbis audio|*.ogg|FLAC audio|*.flac||");
    EXPECT_EQ(saveCalls_[0].flags, 0x82022u);
    EXPECT_EQ(saveCalls_[0].initialDir, CString(gui_test::BuildDir().string().c_str()));

    EXPECT_EQ(Scratch(), "hello world");
    ASSERT_EQ(Converters().size(), 1u);
    const std::string narrate = gui_test::BuildDir().string() + "/narrate";
    EXPECT_EQ(Converters()[0].path, narrate);
    EXPECT_EQ(Converters()[0].argv,
              (std::vector<std::string>{narrate, (env_.cwd() / "input.txt").string(), wav, "1", "0", "100"}));
    EXPECT_TRUE(IsWav(wav));
    EXPECT_TRUE(recorder_.waitCursorDuringWait);
    EXPECT_FALSE(afxtest::IsWaitCursorShown());
    ASSERT_EQ(Browsers().size(), 1u);
    EXPECT_TRUE(recorder_.spawns.back().IsBrowser()) << "the browser comes last";
    ExpectBrowserRequest(Browsers()[0], "ShowItems", wav, out_.string());
    EXPECT_NE(Browser().find("file://" + wav), std::string::npos) << Browser();
    EXPECT_NE(Browser().find("ShowItems"), std::string::npos) << Browser();
}

TEST_F(Export, TheLoopCountRepeatsTheTextWithSingleBlanks)
{
    Narrate([](CVarnelDlg& dialog) {
        TypeText(dialog, "abc");
        afxtest::Type(&dialog, IDC_LOOP, "3");
    }, (out_ / "three.wav").string());
    EXPECT_EQ(Scratch(), "abc abc abc");
}

TEST_F(Export, FileModeTakesTheFilteredFile)
{
    WriteFile(env_.root() / "in.txt", "a.b,c$d");
    Narrate([&](CVarnelDlg& dialog) {
        afxtest::Click(&dialog, IDC_INPUT_FILE_CHECK);
        afxtest::Type(&dialog, IDC_INPUT_FILE, (env_.root() / "in.txt").c_str());
    }, (out_ / "file.wav").string());
    EXPECT_EQ(Scratch(), "abcd");
    EXPECT_TRUE(IsWav(out_ / "file.wav"));
}

TEST_F(Export, ATypedLineBreakReachesTheFileAsCrCrLf)
{
    Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "one\r\ntwo"); }, (out_ / "lines.wav").string());
    EXPECT_EQ(Scratch(), "one\r\r\ntwo");
}

TEST_F(Export, RateVolumeAndVoiceNumberAreOnTheCommandLine)
{
    Narrate([](CVarnelDlg& dialog) {
        TypeText(dialog, "numbers");
        afxtest::Type(&dialog, IDC_RATE, "-3");
        afxtest::Type(&dialog, IDC_VOLUME, "60");
        afxtest::PickComboItem(&dialog, IDC_VOICE, 1);
    }, (out_ / "n.wav").string());
    ASSERT_EQ(Converters().size(), 1u);
    EXPECT_EQ(Tail(Converters()[0].argv, 3), (std::vector<std::string>{"2", "-3", "60"}));
    EXPECT_TRUE(IsWav(out_ / "n.wav"));
}

TEST_F(Export, NoSelectionPassesVoiceZeroAndTheFailureIsReported)
{
    WriteSettings("Voice=-1\r\n");
    afxtest::MessageBoxHook boxes;
    Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "nobody"); }, (out_ / "none.wav").string());
    ASSERT_EQ(Converters().size(), 1u);
    EXPECT_EQ(Tail(Converters()[0].argv, 3), (std::vector<std::string>{"0", "0", "100"}));
    ASSERT_EQ(Messages(boxes).size(), 1u);
    EXPECT_NE(Messages(boxes)[0].text.Find("exit code"), -1) << Messages(boxes)[0].text.GetString();
    EXPECT_FALSE(BrowserStarted());
    EXPECT_FALSE(fs::exists(out_ / "none.wav"));
}

TEST_F(Export, EmptyTextIsReportedAndNothingStarts)
{
    afxtest::MessageBoxHook boxes;
    Narrate([](CVarnelDlg& dialog) { TypeText(dialog, ""); }, (out_ / "empty.wav").string());
    ASSERT_EQ(Messages(boxes).size(), 1u);
    EXPECT_EQ(Messages(boxes)[0].text, "Text to speak is empty!");
    EXPECT_EQ(Messages(boxes)[0].caption, "Info");
    EXPECT_TRUE(recorder_.spawns.empty());
    EXPECT_FALSE(fs::exists(env_.cwd() / "input.txt"));

    // A missing text file counts as empty too.
    boxes.Clear();
    Narrate([&](CVarnelDlg& dialog) {
        afxtest::Click(&dialog, IDC_INPUT_FILE_CHECK);
        afxtest::Type(&dialog, IDC_INPUT_FILE, (env_.root() / "missing.txt").c_str());
    }, (out_ / "empty.wav").string());
    ASSERT_EQ(Messages(boxes).size(), 1u);
    EXPECT_EQ(Messages(boxes)[0].text, "Text to speak is empty!");
    EXPECT_TRUE(recorder_.spawns.empty());
}

TEST_F(Export, CancellingTheSaveDialogChangesNothing)
{
    WriteFile(env_.cwd() / "input.txt", "older");
    afxtest::MessageBoxHook boxes;
    Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "not exported"); }, std::nullopt);
    EXPECT_EQ(Scratch(), "older");
    EXPECT_TRUE(recorder_.spawns.empty());
    EXPECT_TRUE(Messages(boxes).empty());
}

TEST_F(Export, ANameWithoutExtensionTakesTheChosenFormat)
{
    Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "plain name"); }, (out_ / "plain").string());
    EXPECT_TRUE(IsWav(out_ / "plain.wav")) << "the first format, WAV, when none was chosen";

    afxtest::FileDialogHook opus([&](const afxtest::FileDialogCall&) {
        return std::optional<afxtest::FileDialogChoice>(afxtest::FileDialogChoice((out_ / "plain").c_str(), 2));
    });
    Run([](CVarnelDlg& dialog) {
        TypeText(dialog, "plain name");
        afxtest::Click(&dialog, IDC_EXPORT_WAV);
    });
    std::optional<encoding_test::Probed> probed = encoding_test::Probe((out_ / "plain.opus").string());
    ASSERT_TRUE(probed) << "the second filter is Opus";
    EXPECT_EQ(probed->codec, "opus");
    ASSERT_EQ(Browsers().size(), 2u);
    ExpectBrowserRequest(Browsers()[1], "ShowItems", (out_ / "plain.opus").string(), out_.string());
}

TEST_F(Export, ADocumentIsNarratedByTheConverterItselfWithItsChaptersLoopTimes)
{
    const fs::path book = env_.root() / "book.md";
    WriteFile(book, "# One\n\nIt was late, and cold.\n\n# Two\n\nThe end.\n");
    WriteFile(env_.cwd() / "input.txt", "older");
    afxtest::MessageBoxHook boxes;
    const std::string output = (out_ / "book.opus").string();
    Narrate([&](CVarnelDlg& dialog) {
        afxtest::Click(&dialog, IDC_INPUT_FILE_CHECK);
        afxtest::Type(&dialog, IDC_INPUT_FILE, book.c_str());
        afxtest::Type(&dialog, IDC_LOOP, "2");
    }, output);
    EXPECT_TRUE(Messages(boxes).empty());
    EXPECT_EQ(Scratch(), "older") << "the document does not go through the scratch file";
    ASSERT_EQ(Converters().size(), 1u);
    const std::string narrate = gui_test::BuildDir().string() + "/narrate";
    EXPECT_EQ(Converters()[0].argv,
              (std::vector<std::string>{narrate, "--loop", "2", book.string(), output, "1", "0", "100"}));
    std::optional<encoding_test::Probed> probed = encoding_test::Probe(output);
    ASSERT_TRUE(probed);
    ASSERT_EQ(probed->chapters.size(), 4u);
    EXPECT_EQ(probed->chapters[2].title, "One");
    EXPECT_EQ(probed->chapters[3].title, "Two");
    EXPECT_TRUE(BrowserStarted());

    // A document that cannot be read is said so, and nothing starts.
    boxes.Clear();
    WriteFile(env_.root() / "broken.pdf", "%PDF-1.7\nnot a PDF\n");
    Narrate([&](CVarnelDlg& dialog) {
        afxtest::Click(&dialog, IDC_INPUT_FILE_CHECK);
        afxtest::Type(&dialog, IDC_INPUT_FILE, (env_.root() / "broken.pdf").c_str());
    }, (out_ / "broken.mp3").string());
    ASSERT_EQ(Messages(boxes).size(), 1u);
    EXPECT_NE(Messages(boxes)[0].text.Find("is a damaged PDF"), -1) << Messages(boxes)[0].text.GetString();
    EXPECT_NE(Messages(boxes)[0].text.Find("so no audio file was made"), -1);
    EXPECT_EQ(Converters().size(), 1u);
}

TEST_F(Export, DecliningToReplaceAFileKeepsTheSaveDialogOpen)
{
    std::string wav = (out_ / "kept.wav").string();
    WriteFile(wav, "not a wav yet");
    afxtest::MessageBoxHook no([](const afxtest::MessageBoxCall&) { return IDNO; });
    afxtest::FileDialogHook files([&](const afxtest::FileDialogCall& call) -> std::optional<CString> {
        saveCalls_.push_back(call);
        if (call.attempt == 1) return CString(wav.c_str());
        return std::nullopt;  // then the user cancels
    });
    Run([](CVarnelDlg& dialog) {
        TypeText(dialog, "keep it");
        afxtest::Click(&dialog, IDC_EXPORT_WAV);
    });
    EXPECT_EQ(saveCalls_.size(), 2u) << "asked again after the declined prompt";
    ASSERT_EQ(no.Calls().size(), 1u);
    EXPECT_EQ(no.Calls()[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_TRUE(recorder_.spawns.empty());
    EXPECT_EQ(ReadFile(wav), "not a wav yet");
}

TEST_F(Export, ASecondExportOverwritesTheScratchFile)
{
    // Saving into the current folder keeps it the current folder (the save dialog moves it
    // to the chosen file's folder).
    Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "first and longer"); }, (env_.cwd() / "1.wav").string());
    Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "second"); }, (env_.cwd() / "2.wav").string());
    EXPECT_EQ(Scratch(), "second");
}

TEST_F(Export, AnOutputPathWithBlanksQuotesAndBackslashesArrivesIntact)
{
    fs::path folder = out_ / "my \"odd\" folder\\";
    fs::create_directories(folder);
    std::string wav = (folder / "say \"hi\" 中.wav").string();
    afxtest::MessageBoxHook boxes;
    Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "odd path"); }, wav);
    EXPECT_TRUE(Messages(boxes).empty());
    EXPECT_TRUE(IsWav(wav));
    EXPECT_NE(Browser().find("ShowItems"), std::string::npos);
}

TEST_F(Export, AFailedTakeStopsTheExport)
{
    afxtest::MessageBoxHook boxes;
    Narrate([](CVarnelDlg& dialog) {
        TypeText(dialog, "text");
        afxtest::Type(&dialog, IDC_LOOP, "0");
    }, (out_ / "v.wav").string());
    EXPECT_EQ(Messages(boxes).size(), 1u);
    EXPECT_TRUE(recorder_.spawns.empty());
    EXPECT_FALSE(fs::exists(env_.cwd() / "input.txt"));
}

TEST_F(Export, ANarrateInTheCurrentFolderIsNeverRun)
{
    fs::path marker = env_.root() / "stray-ran";
    MakeScript(env_.cwd() / "narrate", "touch '" + marker.string() + "'\n");
    Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "shipped converter"); }, (out_ / "s.wav").string());
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_TRUE(IsWav(out_ / "s.wav"));
}

TEST_F(Export, AConverterFailureIsReportedAndNoBrowserStarts)
{
    fs::path folder = env_.root() / "program";
    fs::create_directories(folder);
    MakeScript(folder / "narrate", "exit 3\n");
    recorder_.programFolder = folder.string();
    afxtest::MessageBoxHook boxes;
    Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "fails"); }, (out_ / "f.wav").string());
    ASSERT_EQ(Messages(boxes).size(), 1u);
    EXPECT_NE(Messages(boxes)[0].text.Find("exit code 3"), -1) << Messages(boxes)[0].text.GetString();
    EXPECT_FALSE(BrowserStarted());

    // Exit code 0 without a WAV is no success either.
    MakeScript(folder / "narrate", "exit 0\n");
    boxes.Clear();
    Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "claims success"); }, (out_ / "g.wav").string());
    ASSERT_EQ(Messages(boxes).size(), 1u);
    EXPECT_FALSE(BrowserStarted());
}

TEST_F(Export, AConverterThatCannotStartIsReported)
{
    fs::path folder = env_.root() / "empty-program-folder";
    fs::create_directories(folder);
    recorder_.programFolder = folder.string();
    afxtest::MessageBoxHook boxes;
    Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "no converter"); }, (out_ / "c.wav").string());
    ASSERT_EQ(Messages(boxes).size(), 1u);
    EXPECT_NE(Messages(boxes)[0].text.Find("could not be started"), -1);
    EXPECT_TRUE(recorder_.spawns.empty()) << "neither converter nor file browser";
}

TEST_F(Export, AScratchFileThatCannotBeWrittenStopsTheExport)
{
    recorder_.currentDirectory = (env_.root() / "no such folder").string();
    afxtest::MessageBoxHook boxes;
    Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "nowhere"); }, (out_ / "w.wav").string());
    ASSERT_EQ(Messages(boxes).size(), 1u);
    EXPECT_NE(Messages(boxes)[0].text.Find("input.txt"), -1);
    EXPECT_TRUE(recorder_.spawns.empty());
}

TEST_F(Export, AFullDiskKeepsTheOldScratchFileAndSaysWhy)
{
    WriteFile(env_.cwd() / "input.txt", "the text of the last export");
    afxtest::MessageBoxHook boxes;
    win32::sys::Table calls = win32::sys::RealCalls();
    calls.write = [](int, const void*, size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    {
        win32::sys::ScopedOverride full(calls);
        Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "a new text"); }, (out_ / "f.wav").string());
    }
    ASSERT_EQ(Messages(boxes).size(), 1u);
    const CString text = Messages(boxes)[0].text;
    EXPECT_NE(text.Find("input.txt\": There is not enough space on the disk (0x80070070), so"), -1)
        << text.GetString();
    EXPECT_EQ(Scratch(), "the text of the last export");
    EXPECT_FALSE(fs::exists(env_.cwd() / "input.txt.tmp"));
    EXPECT_TRUE(recorder_.spawns.empty());
}

TEST_F(Export, AfterATimeoutTheSearchRunsAndTheBrowserShowsTheFolder)
{
    fs::path folder = env_.root() / "program";
    fs::create_directories(folder);
    fs::path release = env_.root() / "release";
    ASSERT_EQ(mkfifo(release.c_str(), 0600), 0);
    MakeScript(folder / "narrate", "read line < '" + release.string() + "'\n");
    recorder_.programFolder = folder.string();
    recorder_.converterTimesOut = true;
    // A display whose only window is another program's.
    win32_test::FakeServer display;
    display.Longs(display.kRoot, display.kClientList, win32::x11::kAtomWindow, {0x500001});
    display.Longs(0x500001, display.kPid, win32::x11::kAtomCardinal, {1});
    win32_test::FakeServer::current = &display;
    testing_support::EnvVar displayName("DISPLAY", ":42");
    {
        win32::x11::ScopedOverride x11(win32_test::FakeServer::Calls());
        afxtest::MessageBoxHook boxes;
        Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "slow"); }, (out_ / "late.wav").string());
        EXPECT_TRUE(Messages(boxes).empty()) << "no window of the converter on this display";
    }
    win32_test::FakeServer::current = nullptr;
    EXPECT_EQ(display.ReadersOf(display.kClientList).size(), 1u) << "one search";
    EXPECT_EQ(display.ReadersOf(display.kPid), (std::vector<win32::x11::Window>{0x500001}));
    ASSERT_EQ(Browsers().size(), 1u);
    EXPECT_TRUE(recorder_.spawns.back().IsBrowser());
    ExpectBrowserRequest(Browsers()[0], "ShowFolders", out_.string(), out_.string());
    EXPECT_NE(Browser().find("ShowFolders"), std::string::npos) << Browser();

    // Let the stand-in end.
    int fd = open(release.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "\n", 1), 1);
    close(fd);
}

// The desktop entry's command line, program name first, as a launcher splits it.
std::vector<std::string> DesktopEntryCommand()
{
    std::istringstream entry(ReadFile(VARNEL_DESKTOP_ENTRY));
    for (std::string line; std::getline(entry, line);) {
        if (line.rfind("Exec=", 0) != 0) continue;
        std::istringstream words(line.substr(5));
        std::vector<std::string> command;
        for (std::string word; words >> word;) command.push_back(word);
        return command;
    }
    return {};
}

// Every set.ini and input.txt below a folder.
std::vector<fs::path> WorkingFilesUnder(const fs::path& folder)
{
    std::vector<fs::path> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.path().filename() == "set.ini" || entry.path().filename() == "input.txt")
            found.push_back(fs::relative(entry.path(), folder));
    std::sort(found.begin(), found.end());
    return found;
}

TEST_F(Export, AMenuStartLeavesNoWorkingFileLooseInTheHomeFolder)
{
    // A launcher starts the entry's command line in the user's home folder.
    const fs::path home = env_.root() / "home";
    fs::create_directories(home / "Music");
    testing_support::EnvVar homeVar("HOME", home.string());
    testing_support::EnvVar configVar("XDG_CONFIG_HOME", std::nullopt);
    fs::current_path(home);
    std::vector<std::string> command = DesktopEntryCommand();
    ASSERT_FALSE(command.empty());
    EXPECT_EQ(command[0], "Varnel");
    std::vector<char*> argv;
    for (std::string& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);

    CVarnelApp app;
    ASSERT_TRUE(AfxWinInit(static_cast<int>(command.size()), argv.data()));
    const std::string wav = (home / "Music/menu.wav").string();
    afxtest::FileDialogHook files([&](const afxtest::FileDialogCall& call) -> std::optional<CString> {
        saveCalls_.push_back(call);
        return CString(wav.c_str());
    });
    afxtest::ModalScript script;
    script.Then([&](CDialog& dialog) {
        TypeText(static_cast<CVarnelDlg&>(dialog), "from the menu");
        afxtest::Click(&dialog, IDC_EXPORT_WAV);  // the save dialog makes Music current
        afxtest::Click(&dialog, IDC_READ);
        afxtest::Click(&dialog, IDCANCEL);
    });
    EXPECT_FALSE(app.InitInstance());
    AfxOleTerm();
    KeepWorkingFilesInCurrentDirectory();

    EXPECT_TRUE(IsWav(wav));
    ASSERT_EQ(saveCalls_.size(), 1u);
    EXPECT_EQ(saveCalls_[0].initialDir, CString(home.string().c_str()));
    EXPECT_EQ(WorkingFilesUnder(home),
              (std::vector<fs::path>{".config/varnel/input.txt", ".config/varnel/set.ini"}));
    EXPECT_NE(ReadFile(home / ".config/varnel/set.ini").find("InputText=\"from the menu\""), std::string::npos)
        << ReadFile(home / ".config/varnel/set.ini");
}

}  // namespace
