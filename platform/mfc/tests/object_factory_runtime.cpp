#include <afxdisp.h>

#include <gtest/gtest.h>

#include <scratch_dir.h>

namespace {

constexpr CLSID CLSID_Served = MakeGuid("{5E1A0004-0000-4000-8000-00000000E001}");

class CServedObject : public CCmdTarget {
    DECLARE_DYNCREATE(CServedObject)
public:
    CServedObject() { EnableAutomation(); }
};
IMPLEMENT_DYNCREATE(CServedObject, CCmdTarget)

HRESULT AskForClassObject()
{
    IClassFactory* classFactory = nullptr;
    const HRESULT hr = CoGetClassObject(CLSID_Served, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                                        reinterpret_cast<void**>(&classFactory));
    if (classFactory) classFactory->Release();
    return hr;
}

// A fresh registry (no LocalServer32 anywhere) and a private socket folder.
class FactoryRuntimeTest : public ::testing::Test {
protected:
    testing_support::IsolatedEnvironment env_{true};
};

}  // namespace

TEST_F(FactoryRuntimeTest, RegisterAllServesEachClassObjectUntilRevokeAll)
{
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    {
        COleObjectFactory factory(CLSID_Served, RUNTIME_CLASS(CServedObject), FALSE, "Test.Served");
        EXPECT_EQ(AskForClassObject(), REGDB_E_CLASSNOTREG);
        ASSERT_TRUE(COleObjectFactory::RegisterAll());
        EXPECT_TRUE(factory.IsRegistered());
        const DWORD cookie = factory.m_dwRegister;
        EXPECT_EQ(AskForClassObject(), S_OK);
        EXPECT_TRUE(COleObjectFactory::RegisterAll()) << "a registered factory is left as it is";
        EXPECT_EQ(factory.m_dwRegister, cookie);

        COleObjectFactory::RevokeAll();
        EXPECT_FALSE(factory.IsRegistered());
        EXPECT_EQ(AskForClassObject(), REGDB_E_CLASSNOTREG);

        ASSERT_TRUE(factory.Register());
        AfxOleTerm(TRUE);  // the framework's exit revokes them
        EXPECT_FALSE(factory.IsRegistered());

        ASSERT_TRUE(factory.Register());
    }
    EXPECT_EQ(AskForClassObject(), REGDB_E_CLASSNOTREG) << "a factory going away takes its registration along";
    CoUninitialize();
}

TEST_F(FactoryRuntimeTest, RefusedRegistrationsGiveFalse)
{
    COleObjectFactory factory(CLSID_Served, RUNTIME_CLASS(CServedObject), TRUE, "Test.Served");
    EXPECT_FALSE(COleObjectFactory::RegisterAll()) << "COM is not initialised";
    EXPECT_FALSE(factory.IsRegistered());

    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    COleObjectFactory twin(CLSID_Served, RUNTIME_CLASS(CServedObject), TRUE, "Test.Twin");
    EXPECT_FALSE(COleObjectFactory::RegisterAll()) << "the same class twice";
    EXPECT_TRUE(factory.IsRegistered());
    EXPECT_FALSE(twin.IsRegistered());
    COleObjectFactory::RevokeAll();
    CoUninitialize();
}
