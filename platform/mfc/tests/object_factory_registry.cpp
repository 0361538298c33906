#include <afxdisp.h>
#include <varnel/process_calls.h>
#include <winreg.h>

#include <gtest/gtest.h>

#include <scratch_dir.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace {

constexpr CLSID CLSID_Registered = MakeGuid("{5E1A0003-0000-4000-8000-00000000D001}");
const std::string kClassKey = "CLSID\\{5E1A0003-0000-4000-8000-00000000D001}";
const std::string kServerKey = kClassKey + "\\LocalServer32";

class CRegisteredObject : public CCmdTarget {
    DECLARE_DYNCREATE(CRegisteredObject)
};
IMPLEMENT_DYNCREATE(CRegisteredObject, CCmdTarget)

// The default value of HKEY_CLASSES_ROOT\subKey; nothing when the key is missing.
std::optional<std::string> DefaultValue(const std::string& subKey)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    char data[4096] = {};
    DWORD size = sizeof data;
    const LSTATUS status = RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::optional<std::string>(data) : std::nullopt;
}

// readlink of /proc/self/exe names a program of the test's choice.
const char* g_programPath = "";
ssize_t ChosenProgram(const char*, char* buffer, size_t size)
{
    const size_t length = std::min(size, std::strlen(g_programPath));
    std::memcpy(buffer, g_programPath, length);
    return static_cast<ssize_t>(length);
}

class FactoryRegistryTest : public ::testing::Test {
protected:
    testing_support::IsolatedEnvironment env_;
    COleObjectFactory factory_{CLSID_Registered, RUNTIME_CLASS(CRegisteredObject), TRUE, "Test.Registered"};
};

}  // namespace

TEST_F(FactoryRegistryTest, WrittenWithThisProgramAsServerAndRemovedAgain)
{
    ASSERT_TRUE(COleObjectFactory::UpdateRegistryAll(TRUE));
    EXPECT_EQ(DefaultValue("Test.Registered"), "Test.Registered");
    EXPECT_EQ(DefaultValue(kClassKey), "Test.Registered");
    EXPECT_EQ(DefaultValue(kClassKey + "\\ProgID"), "Test.Registered");
    EXPECT_EQ(DefaultValue(kServerKey), std::filesystem::read_symlink("/proc/self/exe").string());
    CLSID found{};
    EXPECT_EQ(CLSIDFromProgID(u"Test.Registered", &found), S_OK) << "through <ProgID>\\CLSID";
    EXPECT_EQ(found, CLSID_Registered);

    ASSERT_TRUE(COleObjectFactory::UpdateRegistryAll(FALSE));
    EXPECT_EQ(DefaultValue("Test.Registered"), std::nullopt);
    EXPECT_EQ(DefaultValue(kClassKey), std::nullopt);
    EXPECT_TRUE(COleObjectFactory::UpdateRegistryAll(FALSE)) << "nothing left to remove";

    // A file where the registry's folder would be (permissions do not stop root).
    std::ofstream(env_.root() / "blocker") << "not a folder";
    setenv("XDG_DATA_HOME", (env_.root() / "blocker" / "data").c_str(), 1);
    EXPECT_FALSE(COleObjectFactory::UpdateRegistryAll(TRUE));
    EXPECT_FALSE(COleObjectFactory::UpdateRegistryAll(FALSE));
}

TEST_F(FactoryRegistryTest, TheServerPathIsWrittenAsACommandLinesProgramName)
{
    auto table = win32::proc::RealCalls();
    table.readlink = ChosenProgram;
    win32::proc::ScopedOverride chosen(table);
    g_programPath = "/opt/My Programs/Varnel";
    EXPECT_TRUE(factory_.UpdateRegistry(TRUE));
    EXPECT_EQ(DefaultValue(kServerKey), "\"/opt/My Programs/Varnel\"");
    g_programPath = "/opt/say \"hi\"/Varnel";  // no way to write a quote there
    EXPECT_FALSE(factory_.UpdateRegistry(TRUE));
    EXPECT_EQ(DefaultValue(kServerKey), "\"/opt/My Programs/Varnel\"");
}
