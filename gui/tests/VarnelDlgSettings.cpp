// The dialog's state in set.ini: defaults, the round trip through Read and a
// restart, and texts that must not break the file.
#include "VarnelDlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include <varnel/syscalls.h>

#include "gui_fixture.h"
#include "res/resource.h"

using gui_test::ControlText;
using gui_test::FakeVoice;
using gui_test::Selection;

namespace {

class Settings : public gui_test::DialogTest {
protected:
    std::string SetIni() { return gui_test::ReadFile(env_.cwd() / "set.ini"); }
    std::vector<std::string> FileNames()
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(env_.cwd()))
            names.push_back(entry.path().filename().string());
        return names;
    }
};

TEST_F(Settings, MissingKeysGiveTheStartUpState)
{
    WriteSettings("Unrelated=1\r\n");
    Run([](CVarnelDlg& dialog) {
        EXPECT_EQ(dialog.m_useInputFile, 0);
        EXPECT_EQ(ControlText(&dialog, IDC_INPUT_TEXT), "Please Input Text to be Read by TTS.");
        EXPECT_EQ(ControlText(&dialog, IDC_RATE), "0");
        EXPECT_EQ(ControlText(&dialog, IDC_VOLUME), "100");
        EXPECT_EQ(ControlText(&dialog, IDC_LOOP), "1");
        EXPECT_EQ(Selection(&dialog, IDC_VOICE), 0);
        EXPECT_EQ(afxtest::FocusedControlId(&dialog), IDC_READ);
    });
}

TEST_F(Settings, ReadSavesEverythingAndTheNextStartRestoresIt)
{
    Run([](CVarnelDlg& dialog) {
        afxtest::Type(&dialog, IDC_INPUT_TEXT, "saved words");
        afxtest::Type(&dialog, IDC_RATE, "-5");
        afxtest::Type(&dialog, IDC_VOLUME, "40");
        afxtest::Type(&dialog, IDC_LOOP, "2");
        afxtest::PickComboItem(&dialog, IDC_VOICE, 1);
        afxtest::Click(&dialog, IDC_INPUT_FILE_CHECK);
        afxtest::Type(&dialog, IDC_INPUT_FILE, "/tmp/a b/story.txt");
        afxtest::Click(&dialog, IDC_READ);
    });
    std::string ini = SetIni();
    for (const char* line : {"[Setting]", "InputFileChk=1", "Rate=-5", "Volume=40", "Voice=1", "Loop=2"})
        EXPECT_NE(ini.find(line), std::string::npos) << line << " in\n" << ini;

    gui_test::ResetFakeVoice({"Alpha", "Bravo", "Charlie"});
    Run([](CVarnelDlg& dialog) {
        EXPECT_EQ(ControlText(&dialog, IDC_INPUT_TEXT), "saved words");
        EXPECT_EQ(ControlText(&dialog, IDC_INPUT_FILE), "/tmp/a b/story.txt");
        EXPECT_EQ(ControlText(&dialog, IDC_RATE), "-5");
        EXPECT_EQ(ControlText(&dialog, IDC_VOLUME), "40");
        EXPECT_EQ(ControlText(&dialog, IDC_LOOP), "2");
        EXPECT_EQ(Selection(&dialog, IDC_VOICE), 1);
        EXPECT_EQ(dialog.m_useInputFile, 1);
        EXPECT_TRUE(gui_test::IsEnabled(&dialog, IDC_INPUT_FILE));
        EXPECT_FALSE(gui_test::IsEnabled(&dialog, IDC_INPUT_TEXT));
    });
    // The voice speaks with what the dialog shows.
    EXPECT_EQ(FakeVoice().rate, -5);
    EXPECT_EQ(FakeVoice().volume, 40);
    EXPECT_EQ(FakeVoice().voice, "Bravo");
}

TEST_F(Settings, RestoredValuesOutOfRangeAreClampedForVoiceAndDisplay)
{
    WriteSettings("Rate=50\r\nVolume=-20\r\nVoice=7\r\n");
    Run([](CVarnelDlg& dialog) {
        EXPECT_EQ(ControlText(&dialog, IDC_RATE), "10");
        EXPECT_EQ(ControlText(&dialog, IDC_VOLUME), "0");
        EXPECT_EQ(Selection(&dialog, IDC_VOICE), -1) << "a row the list lacks selects nothing";
        EXPECT_EQ(FakeVoice().voice, "Alpha") << "the start-up voice stays";
    });
    EXPECT_EQ(FakeVoice().rate, 10);
    EXPECT_EQ(FakeVoice().volume, 0);
}

TEST_F(Settings, AnyNonzeroCheckValueMeansFileInputShownChecked)
{
    WriteSettings("InputFileChk=10\r\n");
    Run([](CVarnelDlg& dialog) {
        EXPECT_EQ(dialog.m_useInputFile, 1);
        EXPECT_EQ(dialog.IsDlgButtonChecked(IDC_INPUT_FILE_CHECK), static_cast<UINT>(BST_CHECKED));
        EXPECT_TRUE(gui_test::IsEnabled(&dialog, IDC_INPUT_FILE));
        EXPECT_FALSE(gui_test::IsEnabled(&dialog, IDC_INPUT_TEXT));
    });
}

TEST_F(Settings, StepsContinueFromTheRestoredValues)
{
    WriteSettings("Rate=5\r\nVolume=95\r\n");
    Run([](CVarnelDlg& dialog) {
        afxtest::Click(&dialog, IDC_RATE_UP);
        EXPECT_EQ(ControlText(&dialog, IDC_RATE), "6");
        afxtest::Click(&dialog, IDC_VOLUME_UP);
        EXPECT_EQ(ControlText(&dialog, IDC_VOLUME), "100") << "a step never leaves the range";
    });
}

TEST_F(Settings, NoSelectionIsSavedAsMinusOneAndRestoredAsNone)
{
    WriteSettings("Voice=-1\r\n");
    Run([](CVarnelDlg& dialog) {
        EXPECT_EQ(Selection(&dialog, IDC_VOICE), -1);
        afxtest::Click(&dialog, IDC_READ);
    });
    EXPECT_NE(SetIni().find("Voice=-1"), std::string::npos);
}

TEST_F(Settings, ALongTextIsSavedWholeAndRestoredAsItsFirst259Bytes)
{
    std::string text(300, 'x');
    for (std::size_t i = 0; i < text.size(); i += 7) text[i] = static_cast<char>('a' + i % 26);
    Run([&](CVarnelDlg& dialog) {
        afxtest::Type(&dialog, IDC_INPUT_TEXT, text.c_str());
        afxtest::Click(&dialog, IDC_READ);
    });
    EXPECT_NE(SetIni().find(text), std::string::npos);
    Run([&](CVarnelDlg& dialog) { EXPECT_EQ(ControlText(&dialog, IDC_INPUT_TEXT), text.substr(0, 259).c_str()); });
}

TEST_F(Settings, ACutNeverSplitsACharacter)
{
    CString wide;
    for (int i = 0; i < 200; ++i) wide += CString(u"中");
    std::string stored = wide.GetString();  // 3 bytes a character in UTF-8, 2 in GBK
    WriteSettings("InputText=" + stored + "\r\n");
    Run([&](CVarnelDlg& dialog) {
        CString shown = ControlText(&dialog, IDC_INPUT_TEXT);
        int width = static_cast<int>(CString(u"中").GetLength());
        EXPECT_EQ(shown.GetLength(), (259 / width) * width);
        EXPECT_EQ(stored.compare(0, static_cast<std::size_t>(shown.GetLength()), shown.GetString()), 0);
    });
}

TEST_F(Settings, LineBreaksAndQuotesCannotAddLinesToTheFile)
{
    const char typed[] = "first line\r\n[Setting]\r\nRate=9\rlast\n \"quoted\" ";
    Run([&](CVarnelDlg& dialog) {
        afxtest::Type(&dialog, IDC_INPUT_TEXT, typed);
        afxtest::Click(&dialog, IDC_READ);
    });
    std::string ini = SetIni();
    EXPECT_EQ(std::count(ini.begin(), ini.end(), '\n'), 8) << ini;
    EXPECT_EQ(ini.find("\nRate=9"), std::string::npos) << "no line of its own";
    Run([](CVarnelDlg& dialog) {
        EXPECT_EQ(ControlText(&dialog, IDC_INPUT_TEXT), "first line [Setting] Rate=9 last  \"quoted\" ");
        EXPECT_EQ(ControlText(&dialog, IDC_RATE), "0");
    });
}

TEST_F(Settings, ALoopCountOfZeroIsRestoredAndReadSpeaksNothing)
{
    WriteSettings("Loop=0\r\n");
    afxtest::MessageBoxHook boxes;
    Run([](CVarnelDlg& dialog) {
        EXPECT_EQ(ControlText(&dialog, IDC_LOOP), "0");
        afxtest::Click(&dialog, IDC_READ);
    });
    EXPECT_EQ(boxes.Calls().size(), 1u);
    EXPECT_TRUE(FakeVoice().spoken.empty());
}

TEST_F(Settings, NothingButReadWritesTheFile)
{
    Run([](CVarnelDlg& dialog) {
        afxtest::Click(&dialog, IDC_RATE_UP);
        afxtest::PickComboItem(&dialog, IDC_VOICE, 2);
        afxtest::Click(&dialog, IDC_INPUT_FILE_CHECK);
        afxtest::Click(&dialog, IDCANCEL);
    });
    EXPECT_FALSE(std::filesystem::exists(env_.cwd() / "set.ini"));
}

// A save keeps the lines it does not own and changes the file in one write.
TEST_F(Settings, ReadKeepsOtherLinesAndWritesTheFileOnce)
{
    gui_test::WriteFile(env_.cwd() / "set.ini",
              "; my settings\r\n[Setting]\r\nloop=4\r\nMine=kept\r\n; about the rate\r\nRate=1\r\n\r\n[Other]\r\nA=1\r\n");
    static int writes;
    writes = 0;
    Run([](CVarnelDlg& dialog) {
        afxtest::Type(&dialog, IDC_RATE, "-2");
        win32::sys::Table calls = win32::sys::RealCalls();
        calls.rename = [](const char* from, const char* to) {
            ++writes;
            return win32::sys::RealCalls().rename(from, to);
        };
        win32::sys::ScopedOverride counted(calls);
        afxtest::Click(&dialog, IDC_READ);
    });
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(SetIni(),
              "; my settings\r\n[Setting]\r\nloop=4\r\nMine=kept\r\n; about the rate\r\nRate=-2\r\nInputFileChk=0\r\n"
              "InputFileFile=\"\"\r\nInputText=\"Please Input Text to be Read by TTS.\"\r\nVolume=100\r\nVoice=0\r\n"
              "\r\n[Other]\r\nA=1\r\n");
}

TEST_F(Settings, AFullDiskKeepsTheOldFileSaysWhyAndReadStillSpeaks)
{
    WriteSettings("Rate=3\r\nLoop=1\r\n");
    const std::string old = SetIni();
    afxtest::MessageBoxHook boxes;
    Run([](CVarnelDlg& dialog) {
        afxtest::Type(&dialog, IDC_RATE, "-4");
        afxtest::Type(&dialog, IDC_INPUT_TEXT, "still spoken");
        win32::sys::Table calls = win32::sys::RealCalls();
        calls.write = [](int, const void*, size_t) -> ssize_t {
            errno = ENOSPC;
            return -1;
        };
        win32::sys::ScopedOverride full(calls);
        afxtest::Click(&dialog, IDC_READ);
    });
    EXPECT_EQ(SetIni(), old);
    EXPECT_EQ(FileNames(), std::vector<std::string>{"set.ini"}) << "no temporary file left";
    ASSERT_EQ(boxes.Calls().size(), 1u);
    const CString& text = boxes.Calls()[0].text;
    EXPECT_NE(text.Find("set.ini"), -1) << text.GetString();
    EXPECT_NE(text.Find("not enough space on the disk (0x80070070)"), -1) << text.GetString();
    ASSERT_EQ(FakeVoice().spoken.size(), 1u);
    EXPECT_EQ(FakeVoice().rate, -4);
}

// Bytes that are no text in the code page, in every key, under UTF-8 and GBK: the
// dialog starts and speaks, numbers keep their leading digits, and the next save
// is a whole section again.
TEST_F(Settings, BytesThatAreNoTextLoadSpeakAndSaveAWholeSection)
{
    const char* keys[] = {"InputFileChk=", "InputFileFile=", "InputText=", "Rate=", "Volume=", "Voice=", "Loop="};
    for (const char* lang : {"en_US.UTF-8", "zh_CN.GBK"}) {
        testing_support::LocaleGuard locale(lang);
        WriteSettings("InputFileChk=\xFF\r\nInputFileFile=\xC3(\x80\r\nInputText=caf\xC3 \x80\x80 ok \xE4\xBD \xFF\xFE \x81 end\r\n"
                      "Rate=\xFE" "3\r\nVolume=4\x80\r\nVoice=\x81\r\nLoop=1\xFF\r\n");
        const std::size_t spoken = FakeVoice().spoken.size();
        Run([](CVarnelDlg& dialog) {
            EXPECT_EQ(ControlText(&dialog, IDC_RATE), "0");
            EXPECT_EQ(ControlText(&dialog, IDC_VOLUME), "4");
            EXPECT_EQ(ControlText(&dialog, IDC_LOOP), "1");
            EXPECT_FALSE(ControlText(&dialog, IDC_INPUT_TEXT).IsEmpty());
            afxtest::Click(&dialog, IDC_READ);
        });
        EXPECT_EQ(FakeVoice().spoken.size(), spoken + 1) << lang;
        const std::string ini = SetIni();
        EXPECT_EQ(ini.rfind("[Setting]\r\n", 0), 0u) << lang;
        EXPECT_EQ(std::count(ini.begin(), ini.end(), '\n'), 8) << lang << "\n" << ini;
        for (const char* key : keys) EXPECT_NE(ini.find(std::string("\n") + key), std::string::npos) << lang << key;
    }
}

}  // namespace
