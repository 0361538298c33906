#include "test_objects.h"

#include <atlbase.h>

#include <gtest/gtest.h>

#include <utility>

namespace {

// Each test holds one reference of its own in `raw` and checks counts above it.
class CComPtrTest : public ::testing::Test {
protected:
    CComPtrTest() : raw(NewComObject<CountingObject>()), other(NewComObject<CountingObject>(9)) {}
    ~CComPtrTest() override
    {
        EXPECT_EQ(raw->Release(), 0u);
        EXPECT_EQ(other->Release(), 0u);
    }
    CountingObject* raw;
    CountingObject* other;
};

TEST_F(CComPtrTest, ConstructionFromAPointerAddsAReferenceAndDestructionDropsIt)
{
    {
        CComPtr<ITestThing> held(raw);
        EXPECT_EQ(RefCount(raw), 2u);
        EXPECT_EQ(held->Value(), 7);
        EXPECT_TRUE(held);
    }
    EXPECT_EQ(RefCount(raw), 1u);
    CComPtr<ITestThing> empty;
    EXPECT_FALSE(empty);
    EXPECT_TRUE(!empty);
    CComPtr<ITestThing> fromNull(nullptr);
    EXPECT_EQ(static_cast<ITestThing*>(fromNull), nullptr);
}

TEST_F(CComPtrTest, CopiesShareWithOneReferenceEach)
{
    CComPtr<ITestThing> first(raw);
    CComPtr<ITestThing> second(first);
    EXPECT_EQ(RefCount(raw), 3u);
    CComPtr<ITestThing> third;
    third = second;
    EXPECT_EQ(RefCount(raw), 4u);
    EXPECT_EQ(static_cast<ITestThing*>(third), static_cast<ITestThing*>(raw));
}

TEST_F(CComPtrTest, MovesTransferTheReference)
{
    CComPtr<ITestThing> first(raw);
    CComPtr<ITestThing> second(std::move(first));
    EXPECT_EQ(RefCount(raw), 2u);
    EXPECT_FALSE(first);
    CComPtr<ITestThing> third(other);
    third = std::move(second);
    EXPECT_EQ(RefCount(raw), 2u);
    EXPECT_EQ(RefCount(other), 1u);  // the old target was released
    EXPECT_FALSE(second);
    EXPECT_EQ(third->Value(), 7);
}

TEST_F(CComPtrTest, AssignmentReleasesTheOldTarget)
{
    CComPtr<ITestThing> held(raw);
    held = other;
    EXPECT_EQ(RefCount(raw), 1u);
    EXPECT_EQ(RefCount(other), 2u);
    held = nullptr;
    EXPECT_EQ(RefCount(other), 1u);
    EXPECT_FALSE(held);
}

TEST_F(CComPtrTest, SelfAssignmentKeepsTheObjectAndItsCount)
{
    CComPtr<ITestThing> held(raw);
    CComPtr<ITestThing>& alias = held;
    held = alias;
    EXPECT_EQ(RefCount(raw), 2u);
    held = std::move(alias);
    EXPECT_EQ(RefCount(raw), 2u);
    EXPECT_TRUE(held);
    held = static_cast<ITestThing*>(raw);
    EXPECT_EQ(RefCount(raw), 2u);
}

TEST_F(CComPtrTest, AttachTakesOverAndDetachHandsBackWithoutCounting)
{
    raw->AddRef();  // the reference Attach takes over
    CComPtr<ITestThing> held;
    held.Attach(raw);
    EXPECT_EQ(RefCount(raw), 2u);
    ITestThing* back = held.Detach();
    EXPECT_EQ(back, static_cast<ITestThing*>(raw));
    EXPECT_FALSE(held);
    EXPECT_EQ(RefCount(raw), 2u);
    held.Attach(back);
    other->AddRef();
    held.Attach(other);  // releases what it held
    EXPECT_EQ(RefCount(raw), 1u);
    EXPECT_EQ(RefCount(other), 2u);
}

TEST_F(CComPtrTest, AttachingTheHeldPointerAgainKeepsOneReference)
{
    CComPtr<ITestThing> held(raw);
    raw->AddRef();  // a second reference handed to Attach
    held.Attach(raw);
    EXPECT_EQ(RefCount(raw), 2u);
}

TEST_F(CComPtrTest, AddressOfReleasesSoAnOutParameterCannotLeak)
{
    CComPtr<ITestThing> held(raw);
    ITestThing** slot = &held;
    EXPECT_EQ(*slot, nullptr);
    EXPECT_EQ(RefCount(raw), 1u);
    *slot = other;
    other->AddRef();
    EXPECT_EQ(held->Value(), 9);
}

TEST_F(CComPtrTest, CopyToAndQueryInterfaceCount)
{
    CComPtr<ITestThing> held(raw);
    ITestThing* copy = nullptr;
    EXPECT_EQ(held.CopyTo(&copy), S_OK);
    EXPECT_EQ(RefCount(raw), 3u);
    copy->Release();
    EXPECT_EQ(held.CopyTo(nullptr), E_POINTER);

    CComPtr<IUnknown> unknown;
    EXPECT_EQ(held.QueryInterface(&unknown), S_OK);
    EXPECT_EQ(RefCount(raw), 3u);
    ITestLeaf* leaf = reinterpret_cast<ITestLeaf*>(1);
    EXPECT_EQ(held.QueryInterface(&leaf), E_NOINTERFACE);
    EXPECT_EQ(leaf, nullptr);
    CComPtr<ITestThing> empty;
    EXPECT_EQ(empty.QueryInterface(&leaf), E_POINTER);
}

TEST_F(CComPtrTest, CComQIPtrQueriesFromAnotherInterface)
{
    CComPtr<IUnknown> unknown(raw->Identity());
    CComQIPtr<ITestThing> thing(unknown.p);
    ASSERT_TRUE(thing);
    EXPECT_EQ(RefCount(raw), 3u);
    CComQIPtr<ITestLeaf> leaf(unknown.p);
    EXPECT_FALSE(leaf);
}

TEST(CComPtrCreate, CoCreateInstanceFillsThePointer)
{
    TestClassesRegistered classes;
    ComScope com;
    CComPtr<ITestThing> thing;
    ASSERT_EQ(thing.CoCreateInstance(CLSID_TestCounting), S_OK);
    EXPECT_EQ(RefCount(thing), 1u);
    EXPECT_EQ(thing.CoCreateInstance(CLSID_TestUnknown), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(thing);
}

}  // namespace
