#include <securitybaseapi.h>

#include <handleapi.h>
#include <winbase.h>

#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <vector>

#include <unistd.h>

#include "test_files.h"

namespace {

std::vector<BYTE> CurrentUser()
{
    HANDLE token = nullptr;
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    DWORD needed = 0;
    EXPECT_FALSE(GetTokenInformation(token, TokenUser, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    std::vector<BYTE> buffer(needed);
    EXPECT_TRUE(GetTokenInformation(token, TokenUser, buffer.data(), needed, &needed));
    EXPECT_TRUE(CloseHandle(token));
    return buffer;
}

std::vector<BYTE> FileOwner(const std::string& path)
{
    DWORD needed = 0;
    EXPECT_FALSE(GetFileSecurityA(path.c_str(), OWNER_SECURITY_INFORMATION, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    std::vector<BYTE> descriptor(needed);
    EXPECT_TRUE(GetFileSecurityA(path.c_str(), OWNER_SECURITY_INFORMATION, descriptor.data(), needed, &needed));
    return descriptor;
}

bool OwnedBy(std::vector<BYTE>& descriptor, std::vector<BYTE>& user)
{
    PSID owner = nullptr;
    BOOL defaulted = TRUE;
    EXPECT_TRUE(GetSecurityDescriptorOwner(descriptor.data(), &owner, &defaulted));
    return EqualSid(owner, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
}

TEST(Security, AFileWeMadeIsOursAndOneOfAnotherUserIsNot)
{
    testing_support::ScratchDir dir;
    const std::string ours = (dir / "ours").string();
    win32_test::WriteBytes(ours, "x");
    std::vector<BYTE> user = CurrentUser();
    std::vector<BYTE> descriptor = FileOwner(ours);
    EXPECT_TRUE(OwnedBy(descriptor, user));

    // Root can give a file away; anyone else finds one of root's.
    std::string theirs = "/";
    if (geteuid() == 0) {
        theirs = (dir / "theirs").string();
        win32_test::WriteBytes(theirs, "x");
        ASSERT_EQ(chown(theirs.c_str(), 65534, 65534), 0);
    }
    std::vector<BYTE> other = FileOwner(theirs);
    EXPECT_FALSE(OwnedBy(other, user));
}

TEST(Security, FailuresSayWhy)
{
    DWORD needed = 0;
    BYTE buffer[64];
    EXPECT_FALSE(GetFileSecurityA("/no/such/file", OWNER_SECURITY_INFORMATION, buffer, sizeof buffer, &needed));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(GetFileSecurityA("/", 0x4 /* DACL */, buffer, sizeof buffer, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    HANDLE token = nullptr;
    int other = 0;
    EXPECT_FALSE(OpenProcessToken(&other, TOKEN_QUERY, &token));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(GetTokenInformation(&other, TokenUser, buffer, sizeof buffer, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(EqualSid(nullptr, buffer));
}

}  // namespace
