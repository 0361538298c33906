#include <winbase.h>

#include <gtest/gtest.h>

namespace {

TEST(LocalMemory, FixedBlocksZeroedOnRequest)
{
    auto* zeroed = static_cast<unsigned char*>(LocalAlloc(LPTR, 64));
    ASSERT_NE(zeroed, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(zeroed[i], 0) << i;
    EXPECT_EQ(LocalFree(zeroed), nullptr);

    HLOCAL empty = LocalAlloc(LMEM_FIXED, 0);
    EXPECT_NE(empty, nullptr);
    EXPECT_EQ(LocalFree(empty), nullptr);
    EXPECT_EQ(LocalFree(nullptr), nullptr);
}

TEST(LocalMemory, MovableBlocksAreRefused)
{
    constexpr UINT kMoveable = 0x2;
    SetLastError(0xDEAD);
    EXPECT_EQ(LocalAlloc(kMoveable, 16), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
