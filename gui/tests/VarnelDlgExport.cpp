// The Narrate button with the real converter: the scratch file, the converter's
// command line, the WAV file, the file browser, and every failure reported.
#include "VarnelDlg.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <varnel/kernel32_calls.h>
#include <varnel/syscalls.h>
#include <winbase.h>

#include "VarnelApp.h"
#include "WorkingFolder.h"
#include "fake_windows.h"
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
namespace kernel32 = win32::kernel32;

// A program the export started: its command line.
struct Started {
    std::string commandLine;
    bool IsBrowser() const { return commandLine.rfind("explorer.exe ", 0) == 0; }
};

// A converter that outlives any wait, for the tests that need one: no process
// stands behind its handles.
HANDLE const kEndlessConverter = reinterpret_cast<HANDLE>(0x7e570001);
HANDLE const kEndlessConverterThread = reinterpret_cast<HANDLE>(0x7e570002);
constexpr DWORD kEndlessConverterId = 4242;

// What the export started and waited for, recorded through the Win32 process
// functions.
struct Recorder {
    std::vector<Started> starts;
    HANDLE converter = nullptr;
    std::string programFolder;  // replaces the running program's folder when set
    std::string currentDirectory;
    bool converterOutlivesTheWait = false;
    bool sawConverterWait = false;
    bool waitCursorDuringWait = false;
    int endlessHandlesClosed = 0;
};
Recorder* recorder = nullptr;

void StartEndlessConverter(LPPROCESS_INFORMATION process)
{
    *process = PROCESS_INFORMATION{kEndlessConverter, kEndlessConverterThread, kEndlessConverterId,
                                   kEndlessConverterId};
}

// The file browser's process is waited for, so that what its stand-in
// recorded is complete when the handler returns.
BOOL RecordingCreateProcess(LPCSTR application, LPSTR line, LPSECURITY_ATTRIBUTES processAttributes,
                            LPSECURITY_ATTRIBUTES threadAttributes, BOOL inherit, DWORD flags, LPVOID environment,
                            LPCSTR directory, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION process)
{
    Started started{line ? line : ""};
    if (!started.IsBrowser() && recorder->converterOutlivesTheWait) {
        StartEndlessConverter(process);
    } else if (!kernel32::RealCalls().CreateProcessA(application, line, processAttributes, threadAttributes, inherit,
                                                     flags, environment, directory, startup, process)) {
        return FALSE;
    }
    if (started.IsBrowser()) kernel32::RealCalls().WaitForSingleObject(process->hProcess, INFINITE);
    else recorder->converter = process->hProcess;
    recorder->starts.push_back(std::move(started));
    return TRUE;
}

// The first wait for the converter tells whether the wait cursor is up.
DWORD WatchingWait(HANDLE object, DWORD milliseconds)
{
    if (object == recorder->converter && !recorder->sawConverterWait) {
        recorder->sawConverterWait = true;
        recorder->waitCursorDuringWait = afxtest::IsWaitCursorShown();
    }
    if (object == kEndlessConverter) return WAIT_TIMEOUT;
    return kernel32::RealCalls().WaitForSingleObject(object, milliseconds);
}

BOOL EndlessExitCode(HANDLE process, DWORD* exitCode)
{
    if (process != kEndlessConverter) return kernel32::RealCalls().GetExitCodeProcess(process, exitCode);
    *exitCode = STILL_ACTIVE;
    return TRUE;
}

BOOL ClosingHandle(HANDLE object)
{
    if (object != kEndlessConverter && object != kEndlessConverterThread)
        return kernel32::RealCalls().CloseHandle(object);
    ++recorder->endlessHandlesClosed;
    return TRUE;
}

// GetModuleFileNameA's way: a path cut to the buffer ends with a terminator
// and returns the buffer's size.
DWORD CopyPath(const std::string& path, LPSTR buffer, DWORD size)
{
    if (size == 0) return 0;
    const std::size_t length = std::min<std::size_t>(path.size(), size - 1);
    std::memcpy(buffer, path.data(), length);
    buffer[length] = '\0';
    return length < path.size() ? size : static_cast<DWORD>(length);
}

DWORD FakeModuleFileName(HMODULE module, LPSTR buffer, DWORD size)
{
    if (recorder->programFolder.empty() || module) return kernel32::RealCalls().GetModuleFileNameA(module, buffer, size);
    return CopyPath(recorder->programFolder + "/Varnel", buffer, size);
}

DWORD FakeCurrentDirectory(DWORD size, LPSTR buffer)
{
    if (recorder->currentDirectory.empty()) return kernel32::RealCalls().GetCurrentDirectoryA(size, buffer);
    const std::string& dir = recorder->currentDirectory;
    if (!buffer || size <= dir.size()) return static_cast<DWORD>(dir.size() + 1);
    std::memcpy(buffer, dir.c_str(), dir.size() + 1);
    return static_cast<DWORD>(dir.size());
}

kernel32::Table RecordingCalls()
{
    kernel32::Table calls = kernel32::RealCalls();
    calls.CreateProcessA = &RecordingCreateProcess;
    calls.WaitForSingleObject = &WatchingWait;
    calls.GetExitCodeProcess = &EndlessExitCode;
    calls.CloseHandle = &ClosingHandle;
    calls.GetModuleFileNameA = &FakeModuleFileName;
    calls.GetCurrentDirectoryA = &FakeCurrentDirectory;
    return calls;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
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
        calls_.emplace(RecordingCalls());

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
    std::vector<Started> Converters()
    {
        std::vector<Started> converters;
        for (auto& started : recorder_.starts)
            if (!started.IsBrowser()) converters.push_back(started);
        return converters;
    }
    std::vector<Started> Browsers()
    {
        std::vector<Started> browsers;
        for (auto& started : recorder_.starts)
            if (started.IsBrowser()) browsers.push_back(started);
        return browsers;
    }
    bool BrowserStarted() { return !Browsers().empty(); }
    // The browser's command line: the file selected, or a folder shown.
    static void ExpectBrowserSelects(const Started& browser, const std::string& item)
    {
        EXPECT_EQ(browser.commandLine, "explorer.exe /Select,/e, " + Quoted(item));
    }
    static void ExpectBrowserShows(const Started& browser, const std::string& folder)
    {
        EXPECT_EQ(browser.commandLine, "explorer.exe /e, " + Quoted(folder));
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
    std::optional<kernel32::ScopedOverride> calls_;
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
    EXPECT_EQ(Converters()[0].commandLine,
              Quoted(narrate) + " " + Quoted((env_.cwd() / "input.txt").string()) + " " + Quoted(wav) + " 1 0 100");
    EXPECT_TRUE(IsWav(wav));
    EXPECT_TRUE(recorder_.waitCursorDuringWait);
    EXPECT_FALSE(afxtest::IsWaitCursorShown());
    ASSERT_EQ(Browsers().size(), 1u);
    EXPECT_TRUE(recorder_.starts.back().IsBrowser()) << "the browser comes last";
    ExpectBrowserSelects(Browsers()[0], wav);
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
    EXPECT_TRUE(EndsWith(Converters()[0].commandLine, "\" 2 -3 60")) << Converters()[0].commandLine;
    EXPECT_TRUE(IsWav(out_ / "n.wav"));
}

TEST_F(Export, NoSelectionPassesVoiceZeroAndTheFailureIsReported)
{
    WriteSettings("Voice=-1\r\n");
    afxtest::MessageBoxHook boxes;
    Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "nobody"); }, (out_ / "none.wav").string());
    ASSERT_EQ(Converters().size(), 1u);
    EXPECT_TRUE(EndsWith(Converters()[0].commandLine, "\" 0 0 100")) << Converters()[0].commandLine;
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
    EXPECT_TRUE(recorder_.starts.empty());
    EXPECT_FALSE(fs::exists(env_.cwd() / "input.txt"));

    // A missing text file counts as empty too.
    boxes.Clear();
    Narrate([&](CVarnelDlg& dialog) {
        afxtest::Click(&dialog, IDC_INPUT_FILE_CHECK);
        afxtest::Type(&dialog, IDC_INPUT_FILE, (env_.root() / "missing.txt").c_str());
    }, (out_ / "empty.wav").string());
    ASSERT_EQ(Messages(boxes).size(), 1u);
    EXPECT_EQ(Messages(boxes)[0].text, "Text to speak is empty!");
    EXPECT_TRUE(recorder_.starts.empty());
}

TEST_F(Export, CancellingTheSaveDialogChangesNothing)
{
    WriteFile(env_.cwd() / "input.txt", "older");
    afxtest::MessageBoxHook boxes;
    Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "not exported"); }, std::nullopt);
    EXPECT_EQ(Scratch(), "older");
    EXPECT_TRUE(recorder_.starts.empty());
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
    ExpectBrowserSelects(Browsers()[1], (out_ / "plain.opus").string());
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
    EXPECT_EQ(Converters()[0].commandLine,
              Quoted(narrate) + " --loop 2 " + Quoted(book.string()) + " " + Quoted(output) + " 1 0 100");
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
    EXPECT_TRUE(recorder_.starts.empty());
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
    EXPECT_TRUE(recorder_.starts.empty());
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
    EXPECT_TRUE(recorder_.starts.empty()) << "neither converter nor file browser";
}

TEST_F(Export, AScratchFileThatCannotBeWrittenStopsTheExport)
{
    recorder_.currentDirectory = (env_.root() / "no such folder").string();
    afxtest::MessageBoxHook boxes;
    Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "nowhere"); }, (out_ / "w.wav").string());
    ASSERT_EQ(Messages(boxes).size(), 1u);
    EXPECT_NE(Messages(boxes)[0].text.Find("input.txt"), -1);
    EXPECT_TRUE(recorder_.starts.empty());
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
    EXPECT_TRUE(recorder_.starts.empty());
}

TEST_F(Export, AfterATimeoutTheSearchRunsAndTheBrowserShowsTheFolder)
{
    recorder_.converterOutlivesTheWait = true;
    // A display whose only window is another program's.
    gui_test::FakeWindows windows({{1, false, "another program"}});
    afxtest::MessageBoxHook boxes;
    Narrate([](CVarnelDlg& dialog) { TypeText(dialog, "slow"); }, (out_ / "late.wav").string());
    EXPECT_TRUE(Messages(boxes).empty()) << "no window of the converter on this display";
    EXPECT_TRUE(recorder_.waitCursorDuringWait);
    EXPECT_EQ(recorder_.endlessHandlesClosed, 2) << "the converter's process and thread handles";
    EXPECT_EQ(windows.Walks(), 1) << "one search";
    EXPECT_EQ(windows.ProcessesRead(), (std::vector<int>{0}));
    ASSERT_EQ(Browsers().size(), 1u);
    EXPECT_TRUE(recorder_.starts.back().IsBrowser());
    ExpectBrowserShows(Browsers()[0], out_.string());
    EXPECT_NE(Browser().find("ShowFolders"), std::string::npos) << Browser();
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
