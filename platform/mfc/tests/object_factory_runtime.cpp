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

TEST_F(FactoryRuntimeTest, RegisterAllServesEachClassObjectUntilRevoked)
{
    COleObjectFactory factory(CLSID_Served, RUNTIME_CLASS(CServedObject), TRUE, "Test.Served");
    EXPECT_FALSE(COleObjectFactory::RegisterAll()) << "COM is not initialised";
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(AskForClassObject(), REGDB_E_CLASSNOTREG);
    ASSERT_TRUE(COleObjectFactory::RegisterAll());
    EXPECT_EQ(AskForClassObject(), S_OK);
    {
        COleObjectFactory twin(CLSID_Served, RUNTIME_CLASS(CServedObject), TRUE, "Test.Twin");
        EXPECT_FALSE(COleObjectFactory::RegisterAll()) << "the same class twice";
        EXPECT_TRUE(factory.IsRegistered());
        EXPECT_FALSE(twin.IsRegistered());
    }
    AfxOleTerm(TRUE);  // the framework's exit revokes them
    EXPECT_FALSE(factory.IsRegistered());
    EXPECT_EQ(AskForClassObject(), REGDB_E_CLASSNOTREG);
    {
        COleObjectFactory passing(CLSID_Served, RUNTIME_CLASS(CServedObject), FALSE, "Test.Passing");
        ASSERT_TRUE(passing.Register());
    }
    EXPECT_EQ(AskForClassObject(), REGDB_E_CLASSNOTREG) << "a factory going away takes its registration along";
    CoUninitialize();
}
