#include <afxdisp.h>
#include <varnel/test_hooks.h>

#include <gtest/gtest.h>

namespace {

constexpr CLSID CLSID_Made = MakeGuid("{5E1A0002-0000-4000-8000-00000000C001}");
constexpr IID IID_IMade = MakeGuid("{5E1A0002-0000-4000-8000-00000000C002}");

int g_liveMade = 0;

class CMadeObject : public CCmdTarget {
    DECLARE_DYNCREATE(CMadeObject)
public:
    CMadeObject()
    {
        EnableAutomation();
        ++g_liveMade;
    }
    ~CMadeObject() override { --g_liveMade; }
    DECLARE_INTERFACE_MAP()
};
IMPLEMENT_DYNCREATE(CMadeObject, CCmdTarget)
BEGIN_INTERFACE_MAP(CMadeObject, CCmdTarget)
    INTERFACE_PART(CMadeObject, IID_IMade, Dispatch)
END_INTERFACE_MAP()

IClassFactory* ClassFactoryOf(COleObjectFactory& factory)
{
    IClassFactory* classFactory = nullptr;
    EXPECT_EQ(factory.ExternalQueryInterface(&IID_IClassFactory, reinterpret_cast<void**>(&classFactory)), S_OK);
    return classFactory;
}

}  // namespace

TEST(ObjectFactory, AClassObjectThatMakesTheClassOrNothing)
{
    COleObjectFactory factory(CLSID_Made, RUNTIME_CLASS(CMadeObject), TRUE, "Test.Made");
    IClassFactory* classFactory = ClassFactoryOf(factory);
    ASSERT_NE(classFactory, nullptr);
    IDispatch* made = nullptr;
    ASSERT_EQ(classFactory->CreateInstance(nullptr, IID_IMade, reinterpret_cast<void**>(&made)), S_OK);
    EXPECT_EQ(g_liveMade, 1);
    EXPECT_EQ(made->Release(), 0u) << "the caller's reference is the only one";
    EXPECT_EQ(g_liveMade, 0);

    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(classFactory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(g_liveMade, 0) << "made, asked and deleted again";
    EXPECT_EQ(classFactory->CreateInstance(classFactory, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(g_liveMade, 0);
    EXPECT_EQ(classFactory->QueryInterface(IID_IDispatch, &object), E_NOINTERFACE) << "no automation switched on";

    EXPECT_EQ(classFactory->LockServer(TRUE), S_OK);
    EXPECT_EQ(afxtest::OleLockCount(), 1);
    EXPECT_EQ(classFactory->LockServer(FALSE), S_OK);
    EXPECT_EQ(afxtest::OleLockCount(), 0);
    EXPECT_EQ(classFactory->Release(), 1u);
    EXPECT_EQ(classFactory->Release(), 0u);  // its own reference too: a static object stays
    EXPECT_EQ(classFactory->AddRef(), 1u);

    COleObjectFactory notCreatable(CLSID_Made, RUNTIME_CLASS(CCmdTarget), FALSE, "Test.Plain");
    classFactory = ClassFactoryOf(notCreatable);
    EXPECT_EQ(classFactory->CreateInstance(nullptr, IID_IUnknown, &object), E_OUTOFMEMORY);
    classFactory->Release();
}
