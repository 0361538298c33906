#include <winreg.h>

#include <scratch_dir.h>
#include <varnel/syscalls.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class Registry : public ::testing::Test {
protected:
    testing_support::IsolatedEnvironment env;

    fs::path Folder() const { return env.dataHome() / "varnel" / "registry"; }

    static std::string ReadFile(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The default string value of HKEY_CLASSES_ROOT\subKey, or "<error N>".
    static std::string DefaultValue(HKEY root, const char* subKey)
    {
        HKEY key = nullptr;
        LSTATUS status = RegOpenKeyExA(root, subKey, 0, KEY_READ, &key);
        if (status != ERROR_SUCCESS) return "<error " + std::to_string(status) + ">";
        char buffer[256];
        DWORD size = sizeof buffer, type = 0;
        status = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS) return "<error " + std::to_string(status) + ">";
        return std::string(buffer, size - 1);
    }

    static LSTATUS SetString(HKEY key, const char* name, const char* text)
    {
        return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                              static_cast<DWORD>(std::strlen(text) + 1));
    }
};

TEST_F(Registry, ARoundTripThroughCreateSetOpenQuery)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "Varnel.Application\\CLSID", 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(SetString(key, nullptr, "{11111111-2222-3333-4444-555555555555}"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key, "Named", "other"), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, "Varnel.Application\\CLSID"), "{11111111-2222-3333-4444-555555555555}");
    EXPECT_TRUE(fs::exists(Folder() / "classes.reg"));

    HKEY again = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "varnel.application\\clsid", 0, nullptr, 0, KEY_READ, nullptr,
                              &again, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    char buffer[16];
    DWORD size = sizeof buffer, type = 0;
    ASSERT_EQ(RegQueryValueExA(again, "NAMED", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u);
    EXPECT_STREQ(buffer, "other");
    RegCloseKey(again);
}

TEST_F(Registry, TheStoreLivesInTheDataHomeAndSurvivesAsText)
{
    ASSERT_EQ(RegSetValueA(HKEY_CURRENT_USER, "Software\\Varnel", REG_SZ, "value with spaces % @", 0), ERROR_SUCCESS);
    std::string text = ReadFile(Folder() / "user.reg");
    EXPECT_NE(text.find("key Software\\Varnel"), std::string::npos) << text;
    EXPECT_EQ(DefaultValue(HKEY_CURRENT_USER, "Software\\Varnel"), "value with spaces % @");
}

TEST_F(Registry, UserClassesAreTheClassesRoot)
{
    ASSERT_EQ(RegSetValueA(HKEY_CURRENT_USER, "Software\\Classes\\My.ProgId\\CLSID", REG_SZ, "{x}", 0), ERROR_SUCCESS);
    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, "My.ProgId\\CLSID"), "{x}");
}

TEST_F(Registry, OpeningAMissingKeyFails)
{
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "No.Such.Key", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_FALSE(fs::exists(Folder() / "classes.reg"));  // reading creates nothing
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "x", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, BadPathsAndHandlesAreRefused)
{
    HKEY key = nullptr;
    for (const char* path : {"\\Leading", "Trailing\\", "Double\\\\Slash"})
        EXPECT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, path, &key), ERROR_INVALID_PARAMETER) << path;
    EXPECT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, std::string(256, 'a').c_str(), &key), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, std::string(255, 'a').c_str(), &key), ERROR_SUCCESS);
    RegCloseKey(key);

    int notAKey = 0;
    HKEY bogus = reinterpret_cast<HKEY>(&notAKey);
    EXPECT_EQ(RegCloseKey(bogus), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetString(bogus, nullptr, "x"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyA(bogus, "x", &key), ERROR_INVALID_HANDLE);
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "Closed", &key), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);  // closed twice
    EXPECT_EQ(RegCloseKey(HKEY_CLASSES_ROOT), ERROR_SUCCESS);
}

TEST_F(Registry, QueryReportsSizesAndShortBuffers)
{
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "Sized", REG_SZ, "12345", 0), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Sized", 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    DWORD size = 0, type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    char small[3] = {'x', 'x', 'x'};
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(small), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(small), nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(Registry, StringsWithoutTerminatorReadBackTerminated)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "Unterminated", &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3), ERROR_SUCCESS);
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    DWORD size = sizeof buffer;
    ASSERT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);
    EXPECT_STREQ(buffer, "abc");
    RegCloseKey(key);
}

TEST_F(Registry, OtherValueTypesKeepTheirBytes)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Typed", &key), ERROR_SUCCESS);
    DWORD number = 0x01020304;
    ASSERT_EQ(RegSetValueExA(key, "n", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "n", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 2), ERROR_INVALID_PARAMETER);
    const BYTE blob[] = {0, 1, 0xFF, ' ', '\n'};
    ASSERT_EQ(RegSetValueExA(key, "b", 0, REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
    DWORD back = 0, size = sizeof back, type = 0;
    ASSERT_EQ(RegQueryValueExA(key, "n", nullptr, &type, reinterpret_cast<BYTE*>(&back), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(back, number);
    BYTE blobBack[8];
    size = sizeof blobBack;
    ASSERT_EQ(RegQueryValueExA(key, "b", nullptr, &type, blobBack, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    ASSERT_EQ(size, sizeof blob);
    EXPECT_EQ(std::memcmp(blobBack, blob, sizeof blob), 0);
    EXPECT_EQ(RegSetValueExA(key, "x", 0, REG_BINARY, nullptr, 3), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key, "x", 1, REG_SZ, blob, 1), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

TEST_F(Registry, AKeyOpenedForReadingCannotBeWritten)
{
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "ReadOnly", REG_SZ, "v", 0), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "ReadOnly", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(SetString(key, nullptr, "changed"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(key, nullptr), ERROR_ACCESS_DENIED);
    HKEY child = nullptr;
    EXPECT_EQ(RegCreateKeyExA(key, "Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
              ERROR_ACCESS_DENIED);
    RegCloseKey(key);
    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, "ReadOnly"), "v");
}

TEST_F(Registry, DeletingKeysAndValues)
{
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "CLSID\\{A}\\LocalServer32", REG_SZ, "/bin/varnel", 0), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID\\{A}"), ERROR_ACCESS_DENIED);  // has a subkey
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID\\{A}\\LocalServer32"), ERROR_SUCCESS);
    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, "CLSID\\{A}\\LocalServer32"), "<error 2>");
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID\\{A}"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID\\{A}"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, nullptr), ERROR_INVALID_PARAMETER);

    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "Values", &key), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key, "a", "1"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "A"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "a"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(Registry, DeleteTreeTakesEverythingBelow)
{
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "Tree\\A\\B", REG_SZ, "deep", 0), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "Tree!", REG_SZ, "sibling", 0), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "Treetop", REG_SZ, "sibling", 0), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, "Tree"), ERROR_SUCCESS);
    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, "Tree"), "<error 2>");
    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, "Tree\\A\\B"), "<error 2>");
    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, "Tree!"), "sibling");
    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, "Treetop"), "sibling");
    EXPECT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, "Tree"), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, AHandleToADeletedKeyReportsIt)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "Doomed", &key), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Doomed"), ERROR_SUCCESS);
    EXPECT_EQ(SetString(key, nullptr, "x"), static_cast<LSTATUS>(ERROR_KEY_DELETED));
    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, "Doomed"), "<error 2>");  // not brought back
    RegCloseKey(key);
}

TEST_F(Registry, QueryValueOfAKeyWithoutDefaultIsEmpty)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "NoDefault", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    char buffer[8] = "xxxxxxx";
    LONG size = sizeof buffer;
    EXPECT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, "NoDefault", buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 1);
    EXPECT_STREQ(buffer, "");
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, "Missing", buffer, &size), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, AFailedWriteLeavesTheOldStoreAndNoTemporaryFile)
{
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "Kept", REG_SZ, "old", 0), ERROR_SUCCESS);
    std::string before = ReadFile(Folder() / "classes.reg");
    {
        win32::sys::Table failing = win32::sys::RealCalls();
        failing.write = [](int, const void*, size_t) -> ssize_t {
            errno = ENOSPC;
            return -1;
        };
        win32::sys::ScopedOverride inject(failing);
        EXPECT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "Kept", REG_SZ, "new", 0), static_cast<LSTATUS>(ERROR_DISK_FULL));
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "NotMade", &key), static_cast<LSTATUS>(ERROR_DISK_FULL));
        EXPECT_EQ(key, nullptr);
    }
    EXPECT_EQ(ReadFile(Folder() / "classes.reg"), before);
    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, "Kept"), "old");
    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, "NotMade"), "<error 2>");
    int files = 0;
    for (const auto& entry : fs::directory_iterator(Folder())) {
        if (entry.path().filename() == ".lock") continue;
        ++files;
        EXPECT_EQ(entry.path().filename(), "classes.reg");
    }
    EXPECT_EQ(files, 1);
}

TEST_F(Registry, AFailedRenameAlsoKeepsTheOldStore)
{
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "Kept", REG_SZ, "old", 0), ERROR_SUCCESS);
    {
        win32::sys::Table failing = win32::sys::RealCalls();
        failing.rename = [](const char*, const char*) {
            errno = EIO;
            return -1;
        };
        win32::sys::ScopedOverride inject(failing);
        EXPECT_NE(RegSetValueA(HKEY_CLASSES_ROOT, "Kept", REG_SZ, "new", 0), ERROR_SUCCESS);
    }
    EXPECT_EQ(DefaultValue(HKEY_CLASSES_ROOT, "Kept"), "old");
}

TEST_F(Registry, AnUnreadableStoreIsAnErrorNotAnEmptyTree)
{
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "Kept", REG_SZ, "old", 0), ERROR_SUCCESS);
    win32::sys::Table failing = win32::sys::RealCalls();
    failing.read = [](int, void*, size_t) -> ssize_t {
        errno = EIO;
        return -1;
    };
    win32::sys::ScopedOverride inject(failing);
    // Writing now would replace the unread store with an almost empty one.
    EXPECT_NE(RegSetValueA(HKEY_CLASSES_ROOT, "Other", REG_SZ, "x", 0), ERROR_SUCCESS);
}

TEST_F(Registry, WritersInSeveralProcessesLoseNoChange)
{
    constexpr int kProcesses = 3;
    constexpr int kWrites = 25;
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "Shared", REG_SZ, "start", 0), ERROR_SUCCESS);
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            bool ok = true;
            for (int i = 0; i < kWrites; ++i) {
                std::string key = "Shared\\P" + std::to_string(p) + "_" + std::to_string(i);
                ok = ok && RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, "x", 0) == ERROR_SUCCESS;
            }
            _exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    int found = 0;
    for (int p = 0; p < kProcesses; ++p)
        for (int i = 0; i < kWrites; ++i)
            found += DefaultValue(HKEY_CLASSES_ROOT, ("Shared\\P" + std::to_string(p) + "_" + std::to_string(i)).c_str()) == "x";
    EXPECT_EQ(found, kProcesses * kWrites);
}

TEST(RegistryLocation, FallsBackToTheHomeFolder)
{
    testing_support::ScratchDir home;
    const char* oldXdg = std::getenv("XDG_DATA_HOME");
    const char* oldHome = std::getenv("HOME");
    std::string savedXdg = oldXdg ? oldXdg : "", savedHome = oldHome ? oldHome : "";
    setenv("XDG_DATA_HOME", "relative/not/used", 1);
    setenv("HOME", home.path().c_str(), 1);
    LSTATUS status = RegSetValueA(HKEY_CLASSES_ROOT, "AtHome", REG_SZ, "x", 0);
    if (oldXdg) setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
    else unsetenv("XDG_DATA_HOME");
    if (oldHome) setenv("HOME", savedHome.c_str(), 1);
    else unsetenv("HOME");
    EXPECT_EQ(status, ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(home / ".local/share/varnel/registry/classes.reg"));
}

}  // namespace
