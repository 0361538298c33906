#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

TEST(CoTaskMemAlloc, GivesWritableBlocksEvenOfSizeZero)
{
    void* zero = CoTaskMemAlloc(0);
    EXPECT_NE(zero, nullptr);
    CoTaskMemFree(zero);
    auto* block = static_cast<char*>(CoTaskMemAlloc(64));
    ASSERT_NE(block, nullptr);
    std::memset(block, 'x', 64);
    CoTaskMemFree(block);
    CoTaskMemFree(nullptr);  // allowed, does nothing
}

TEST(CoTaskMemAlloc, FailsCleanlyForImpossibleSizes)
{
    EXPECT_EQ(CoTaskMemAlloc(SIZE_MAX), nullptr);
    EXPECT_EQ(CoTaskMemAlloc(SIZE_MAX / 2), nullptr);
}

TEST(CoTaskMemRealloc, KeepsTheContentWhenGrowing)
{
    auto* block = static_cast<char*>(CoTaskMemAlloc(4));
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "abc", 4);
    block = static_cast<char*>(CoTaskMemRealloc(block, 4096));
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(block, "abc");
    block[4095] = 'z';
    CoTaskMemFree(block);
}

TEST(CoTaskMemRealloc, NullAllocatesAndZeroFrees)
{
    void* block = CoTaskMemRealloc(nullptr, 16);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(CoTaskMemRealloc(block, 0), nullptr);  // freed: the sanitizer build sees no leak
}

TEST(CoTaskMemRealloc, AFailedGrowthLeavesTheOldBlock)
{
    auto* block = static_cast<char*>(CoTaskMemAlloc(8));
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "kept", 5);
    EXPECT_EQ(CoTaskMemRealloc(block, SIZE_MAX), nullptr);
    EXPECT_STREQ(block, "kept");
    CoTaskMemFree(block);
}

}  // namespace
