#include "test_objects.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

template <class I>
I* Query(IUnknown* object)
{
    void* out = nullptr;
    return SUCCEEDED(object->QueryInterface(__uuidof(I), &out)) ? static_cast<I*>(out) : nullptr;
}

TEST(ComObject, StartsWithOneReferenceAndDeletesItselfOnTheLast)
{
    int before = g_liveTestObjects;
    auto* object = NewComObject<CountingObject>();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(g_liveTestObjects, before + 1);
    EXPECT_EQ(object->AddRef(), 2u);
    EXPECT_EQ(object->Release(), 1u);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(g_liveTestObjects, before);
}

TEST(ComObject, AnswersEveryInterfaceUpEachListedChain)
{
    auto* object = NewComObject<ChainObject>();
    ITestLeaf* leaf = Query<ITestLeaf>(object->Identity());
    ITestMiddle* middle = Query<ITestMiddle>(object->Identity());
    ITestRoot* root = Query<ITestRoot>(object->Identity());
    ITestThing* thing = Query<ITestThing>(object->Identity());
    ASSERT_TRUE(leaf && middle && root && thing);
    EXPECT_EQ(leaf->Leaf(), 3);
    EXPECT_EQ(middle->Middle(), 2);
    EXPECT_EQ(root->Root(), 1);
    EXPECT_EQ(thing->Value(), 4);
    EXPECT_EQ(RefCount(object->Identity()), 5u);
    for (IUnknown* held : std::vector<IUnknown*>{leaf, middle, root, thing}) held->Release();
    EXPECT_EQ(object->Release(), 0u);
}

TEST(ComObject, IUnknownIsTheSamePointerFromEveryInterface)
{
    auto* object = NewComObject<ChainObject>();
    ITestThing* thing = Query<ITestThing>(object->Identity());
    ITestRoot* root = Query<ITestRoot>(thing);
    ASSERT_TRUE(thing && root);
    IUnknown* fromThing = Query<IUnknown>(thing);
    IUnknown* fromRoot = Query<IUnknown>(root);
    EXPECT_EQ(fromThing, fromRoot);
    EXPECT_EQ(fromThing, object->Identity());
    // Two different base subobjects, yet one object.
    EXPECT_NE(static_cast<void*>(thing), static_cast<void*>(root));
    for (IUnknown* held : std::vector<IUnknown*>{thing, root, fromThing, fromRoot}) held->Release();
    object->Release();
}

TEST(ComObject, QueryInterfaceFailuresClearTheOutParameterAndAddNoReference)
{
    auto* object = NewComObject<CountingObject>();
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->QueryInterface(IID_ITestMissing, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(object->QueryInterface(IID_ITestLeaf, &out), E_NOINTERFACE);
    EXPECT_EQ(object->QueryInterface(IID_ITestThing, nullptr), E_POINTER);
    EXPECT_EQ(RefCount(object), 1u);
    object->Release();
}

TEST(ComObject, CountsReferencesFromManyThreads)
{
    int before = g_liveTestObjects;
    auto* object = NewComObject<CountingObject>();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([object] {
            for (int i = 0; i < 10000; ++i) {
                object->AddRef();
                object->Release();
            }
            object->AddRef();
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(RefCount(object), 5u);
    for (int t = 0; t < 5; ++t) object->Release();
    EXPECT_EQ(g_liveTestObjects, before);
}

TEST(CreateComObject, HandsOutTheInterfaceWithTheOnlyReference)
{
    int before = g_liveTestObjects;
    ITestMiddle* middle = nullptr;
    ASSERT_EQ(CreateComObject<ChainObject>(IID_ITestMiddle, reinterpret_cast<void**>(&middle)), S_OK);
    EXPECT_EQ(middle->Middle(), 2);
    EXPECT_EQ(middle->Release(), 0u);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateComObject<CountingObject>(IID_ITestLeaf, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(CreateComObject<CountingObject>(IID_ITestThing, nullptr), E_POINTER);
    EXPECT_EQ(g_liveTestObjects, before);
}

}  // namespace
