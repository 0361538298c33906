#include <shell_explorer.h>

#include <gtest/gtest.h>

#include <processthreadsapi.h>
#include <scratch_dir.h>

#include "process_test_support.h"

namespace {

using namespace win32_test;
namespace fs = std::filesystem;

TEST(FileUri, PercentEncodesAllButUnreservedCharactersAndSlashes)
{
    EXPECT_EQ(win32::shell::FileUri("/home/u/a-b_c.~d.wav"), "file:///home/u/a-b_c.~d.wav");
    EXPECT_EQ(win32::shell::FileUri("/my take \"1\",%#?&+.wav"),
              "file:///my%20take%20%221%22%2C%25%23%3F%26%2B.wav");
    EXPECT_EQ(win32::shell::FileUri("/\xe4\xbd\xa0\xe5\xa5\xbd"), "file:///%E4%BD%A0%E5%A5%BD");
}

TEST(ParseExplorerArguments, FindsTheSwitchesAndTheItem)
{
    auto request = win32::shell::ParseExplorerArguments(" /Select,/e, \"/home/u/my, \\\"take\\\".wav\"");
    EXPECT_TRUE(request.select);
    EXPECT_EQ(request.item, "/home/u/my, \"take\".wav");

    request = win32::shell::ParseExplorerArguments(" /e,/root,/x,/n,/SEPARATE,\t/data/my out ,");
    EXPECT_FALSE(request.select);
    EXPECT_EQ(request.item, "/data/my out");

    // A quoted item is a path even where it reads like a switch.
    request = win32::shell::ParseExplorerArguments(" /Select,/e, \"/n\"");
    EXPECT_TRUE(request.select);
    EXPECT_EQ(request.item, "/n");
    EXPECT_EQ(win32::shell::ParseExplorerArguments("/e, \"/Root\",/x").item, "/x");

    EXPECT_TRUE(win32::shell::ParseExplorerArguments("").item.empty());
    EXPECT_TRUE(win32::shell::IsExplorer("EXPLORER.EXE"));
    EXPECT_FALSE(win32::shell::IsExplorer("/usr/bin/explorer.exe"));
    EXPECT_FALSE(win32::shell::IsExplorer("explorer"));
}

// The desktop's file manager replaced by stand-ins first on PATH that record
// their arguments, one a line.
class Explorer : public ::testing::Test {
protected:
    Explorer() : path_("PATH", (env_.root() / "bin").string() + ":/usr/bin:/bin")
    {
        fs::create_directories(env_.root() / "bin");
        fs::create_directories(env_.cwd() / "out dir");
    }
    void FakeDbusSend(int exitCode) { Fake("dbus-send", dbusRecord_, exitCode); }
    void FakeXdgOpen(int exitCode) { Fake("xdg-open", xdgRecord_, exitCode); }
    void Fake(const std::string& name, const fs::path& record, int exitCode)
    {
        WriteScript(env_.root() / "bin" / name,
                    "printf '%s\\n' \"$@\" > '" + record.string() + "'\nexit " + std::to_string(exitCode));
    }
    DWORD Run(const std::string& commandLine)
    {
        auto child = Start(commandLine);
        EXPECT_TRUE(child.ok) << child.error;
        return child.ok ? Finish(child.info) : 0xDEADBEEF;
    }
    static std::string DbusCall(const std::string& method, const std::string& uri)
    {
        return "--session\n--print-reply\n--reply-timeout=10000\n--dest=org.freedesktop.FileManager1\n"
               "--type=method_call\n/org/freedesktop/FileManager1\norg.freedesktop.FileManager1." +
               method + "\narray:string:" + uri + "\nstring:\n";
    }

    testing_support::IsolatedEnvironment env_;
    EnvVar path_;
    fs::path dbusRecord_ = env_.root() / "dbus-send.args";
    fs::path xdgRecord_ = env_.root() / "xdg-open.args";
    fs::path item_ = env_.cwd() / "out dir" / "my \"take\", \xe4\xbd\xa0.wav";
    std::string itemUri_ = "file://" + win32::shell::FileUri(env_.cwd().string()).substr(7) +
                           "/out%20dir/my%20%22take%22%2C%20%E4%BD%A0.wav";
};

TEST_F(Explorer, SelectAsksTheFileManagerOverDbus)
{
    FakeDbusSend(0);
    FakeXdgOpen(0);
    EXPECT_EQ(Run("explorer.exe /Select,/e, \"" + env_.cwd().string() + "/out dir/my \\\"take\\\", \xe4\xbd\xa0.wav\""),
              0u);
    EXPECT_EQ(ReadText(dbusRecord_), DbusCall("ShowItems", itemUri_));
    EXPECT_FALSE(fs::exists(xdgRecord_)) << "no fallback when the file manager answers";
}

TEST_F(Explorer, RelativeItemIsTakenFromTheCurrentDirectory)
{
    FakeDbusSend(0);
    EXPECT_EQ(Run("explorer.exe /select,\"out dir/my \\\"take\\\", \xe4\xbd\xa0.wav\""), 0u);
    EXPECT_EQ(ReadText(dbusRecord_), DbusCall("ShowItems", itemUri_));
}

TEST_F(Explorer, FailingFileManagerFallsBackToXdgOpenOnTheFolder)
{
    FakeDbusSend(1);
    FakeXdgOpen(4);
    EXPECT_EQ(Run("explorer.exe /Select,/e, \"" + item_.string() + "\""), 4u) << "the fallback's exit code";
    EXPECT_EQ(ReadText(xdgRecord_), (env_.cwd() / "out dir").string() + "\n");
}

TEST_F(Explorer, MissingDbusSendFallsBackToXdgOpen)
{
    EnvVar onlyFakes("PATH", (env_.root() / "bin").string());
    FakeXdgOpen(0);
    // Unquoted, an item runs to the next comma, blanks and all.
    EXPECT_EQ(Run("Explorer.exe /select, " + (env_.cwd() / "out dir" / "plain take.wav").string()), 0u);
    EXPECT_EQ(ReadText(xdgRecord_), (env_.cwd() / "out dir").string() + "\n");
}

TEST_F(Explorer, FolderWithoutSelectIsShownAsFolder)
{
    FakeDbusSend(0);
    EXPECT_EQ(Run("explorer.exe \"" + (env_.cwd() / "out dir").string() + "\""), 0u);
    EXPECT_EQ(ReadText(dbusRecord_), DbusCall("ShowFolders", itemUri_.substr(0, itemUri_.rfind('/'))));
}

}  // namespace
