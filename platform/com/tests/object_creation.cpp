#include "test_objects.h"

#include <atlbase.h>

#include <gtest/gtest.h>

namespace {

class ObjectCreation : public ::testing::Test {
protected:
    TestClassesRegistered classes;
    ComScope com;
};

HRESULT CreateFailing(IUnknown*, REFIID, void** object)
{
    *object = nullptr;
    return E_OUTOFMEMORY;
}

TEST_F(ObjectCreation, CreatesARegisteredClassWithOneReference)
{
    ASSERT_EQ(com.result(), S_OK);
    int before = g_liveTestObjects;
    ITestThing* thing = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TestCounting, nullptr, CLSCTX_ALL, IID_ITestThing,
                               reinterpret_cast<void**>(&thing)),
              S_OK);
    ASSERT_NE(thing, nullptr);
    EXPECT_EQ(thing->Value(), 7);
    EXPECT_EQ(RefCount(thing), 1u);
    EXPECT_EQ(g_liveTestObjects, before + 1);
    EXPECT_EQ(thing->Release(), 0u);
    EXPECT_EQ(g_liveTestObjects, before);
}

TEST_F(ObjectCreation, AcceptsEveryContextThatIncludesAnInprocServer)
{
    for (DWORD clsctx : {DWORD{CLSCTX_INPROC_SERVER}, DWORD{CLSCTX_INPROC}, DWORD{CLSCTX_SERVER}, DWORD{7}}) {
        CComPtr<IUnknown> object;
        EXPECT_EQ(CoCreateInstance(CLSID_TestCounting, nullptr, clsctx, IID_IUnknown,
                                   reinterpret_cast<void**>(&object)),
                  S_OK)
            << clsctx;
        EXPECT_NE(object, nullptr);
    }
}

TEST_F(ObjectCreation, AnInprocClassIsNotALocalServer)
{
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounting, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounting, nullptr, 0, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
}

TEST_F(ObjectCreation, AnUnknownClassIsNotRegistered)
{
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_TestUnknown, nullptr, CLSCTX_ALL, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoGetClassObject(CLSID_TestUnknown, CLSCTX_ALL, nullptr, IID_IClassFactory, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
}

TEST_F(ObjectCreation, ANullOutParameterIsEPointer)
{
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounting, nullptr, CLSCTX_ALL, IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(CoGetClassObject(CLSID_TestCounting, CLSCTX_ALL, nullptr, IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(ObjectCreation, AnOuterObjectIsRefusedAndNothingIsLeft)
{
    int before = g_liveTestObjects;
    CComPtr<ITestThing> outer;
    outer.Attach(NewComObject<CountingObject>());
    ULONG outerRefs = RefCount(outer);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounting, outer, CLSCTX_ALL, IID_IUnknown, &object),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(RefCount(outer), outerRefs);
    outer.Release();
    EXPECT_EQ(g_liveTestObjects, before);
}

TEST_F(ObjectCreation, AnInterfaceTheClassLacksIsENoInterfaceAndNothingLeaks)
{
    int before = g_liveTestObjects;
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounting, nullptr, CLSCTX_ALL, IID_ITestMissing, &object),
              E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(g_liveTestObjects, before);
}

TEST_F(ObjectCreation, TheCreationFunctionsFailureIsPassedOn)
{
    constexpr CLSID kFailing = MakeGuid("{5B0C1E2A-7D44-4F0B-9E61-1A2B3C4D5E20}");
    CoRegisterInprocClass({kFailing, nullptr, &CreateFailing});
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(kFailing, nullptr, CLSCTX_ALL, IID_IUnknown, &object), E_OUTOFMEMORY);
    EXPECT_EQ(object, nullptr);
    com::UnregisterInprocClass(kFailing);
}

TEST_F(ObjectCreation, ClassObjectCreatesInstancesAndRefusesAggregation)
{
    CComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_TestChain, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&factory)),
              S_OK);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(RefCount(factory), 1u);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);

    CComPtr<ITestLeaf> leaf;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_ITestLeaf, reinterpret_cast<void**>(&leaf)), S_OK);
    EXPECT_EQ(leaf->Leaf(), 3);

    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(leaf, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(ObjectCreation, ClassObjectAnswersOnlyItsInterfaces)
{
    CComPtr<IUnknown> unknown;
    EXPECT_EQ(CoGetClassObject(CLSID_TestCounting, CLSCTX_ALL, nullptr, IID_IUnknown,
                               reinterpret_cast<void**>(&unknown)),
              S_OK);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoGetClassObject(CLSID_TestCounting, CLSCTX_ALL, nullptr, IID_ITestThing, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
}

TEST(ObjectCreationWithoutCom, AThreadThatNeverInitialisedGetsCoENotInitialized)
{
    TestClassesRegistered classes;
    RunOnNewThread([] {
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(CoCreateInstance(CLSID_TestCounting, nullptr, CLSCTX_ALL, IID_IUnknown, &object),
                  CO_E_NOTINITIALIZED);
        EXPECT_EQ(object, nullptr);
        object = reinterpret_cast<void*>(1);
        EXPECT_EQ(CoGetClassObject(CLSID_TestCounting, CLSCTX_ALL, nullptr, IID_IClassFactory, &object),
                  CO_E_NOTINITIALIZED);
        EXPECT_EQ(object, nullptr);
    });
}

TEST(ObjectCreationWithoutCom, TheThreadOfAnotherInitialisationDoesNotCount)
{
    TestClassesRegistered classes;
    ComScope com;  // this thread, not the one below
    RunOnNewThread([] {
        void* object = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_TestCounting, nullptr, CLSCTX_ALL, IID_IUnknown, &object),
                  CO_E_NOTINITIALIZED);
    });
}

}  // namespace
