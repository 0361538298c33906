#include "test_objects.h"

#include <winreg.h>

#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr CLSID kRegistered = MakeGuid("{1B2C3D4E-0000-4000-8000-00000000ABCD}");

class ProgId : public ::testing::Test {
protected:
    testing_support::IsolatedEnvironment env;
    TestClassesRegistered classes;

    static void RegisterInRegistry(const char* progId, const char* clsidText)
    {
        ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, (std::string(progId) + "\\CLSID").c_str(), REG_SZ, clsidText, 0),
                  ERROR_SUCCESS);
    }
};

TEST_F(ProgId, ClassTableProgIdsNeedNoSetup)
{
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"Varnel.TestCounting", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TestCounting);
    EXPECT_EQ(CLSIDFromProgID(u"varnel.testchain", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TestChain);
}

TEST_F(ProgId, RegistryProgIdsAreFound)
{
    RegisterInRegistry("Varnel.Application", "{1B2C3D4E-0000-4000-8000-00000000ABCD}");
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"Varnel.Application", &clsid), S_OK);
    EXPECT_EQ(clsid, kRegistered);
}

TEST_F(ProgId, TheClassTableWinsOverTheRegistry)
{
    RegisterInRegistry("Varnel.TestCounting", "{1B2C3D4E-0000-4000-8000-00000000ABCD}");
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"Varnel.TestCounting", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TestCounting);
}

TEST_F(ProgId, UnknownOrMalformedProgIdsAreClassStringErrors)
{
    RegisterInRegistry("Broken.Entry", "not a guid");
    RegisterInRegistry("Unbraced.Entry", "1B2C3D4E-0000-4000-8000-00000000ABCD");
    CLSID clsid = kRegistered;
    for (const char16_t* progId : {u"No.Such.Class", u"", u"Broken.Entry", u"Unbraced.Entry", u"Varnel\\TestCounting",
                                   u"Varnel.TestCounting\u00e9"}) {
        EXPECT_EQ(CLSIDFromProgID(progId, &clsid), CO_E_CLASSSTRING);
    }
    EXPECT_EQ(clsid, kRegistered);
    EXPECT_EQ(CLSIDFromProgID(nullptr, &clsid), E_INVALIDARG);
    EXPECT_EQ(CLSIDFromProgID(u"Varnel.TestCounting", nullptr), E_INVALIDARG);
}

TEST_F(ProgId, ProgIDFromCLSIDFindsBothSources)
{
    LPOLESTR progId = nullptr;
    ASSERT_EQ(ProgIDFromCLSID(CLSID_TestCounting, &progId), S_OK);
    EXPECT_EQ(std::u16string(progId), u"Varnel.TestCounting");
    CoTaskMemFree(progId);

    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "CLSID\\{1B2C3D4E-0000-4000-8000-00000000ABCD}\\ProgID", REG_SZ,
                           "Varnel.Application", 0),
              ERROR_SUCCESS);
    ASSERT_EQ(ProgIDFromCLSID(kRegistered, &progId), S_OK);
    EXPECT_EQ(std::u16string(progId), u"Varnel.Application");
    CoTaskMemFree(progId);

    progId = reinterpret_cast<LPOLESTR>(1);
    EXPECT_EQ(ProgIDFromCLSID(CLSID_TestUnknown, &progId), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(progId, nullptr);
    EXPECT_EQ(ProgIDFromCLSID(CLSID_TestCounting, nullptr), E_INVALIDARG);
}

TEST_F(ProgId, AProgIdLeadsToACreatableObject)
{
    ComScope com;
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"Varnel.TestCounting", &clsid), S_OK);
    ITestThing* thing = nullptr;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_ITestThing, reinterpret_cast<void**>(&thing)), S_OK);
    EXPECT_EQ(thing->Value(), 7);
    thing->Release();
}

}  // namespace
