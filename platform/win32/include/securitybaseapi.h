// Who owns a file, and who runs this process: the owner part of the security
// API. Users are the "Unix User" SIDs S-1-22-1-<uid> (the mapping Samba uses);
// a file's owner is its owning user.
#pragma once

#include <windef.h>

struct SID_IDENTIFIER_AUTHORITY {
    BYTE Value[6];
};

struct SID {
    BYTE Revision;
    BYTE SubAuthorityCount;
    SID_IDENTIFIER_AUTHORITY IdentifierAuthority;
    DWORD SubAuthority[1];  // SubAuthorityCount of them
};
using PSID = void*;

struct SID_AND_ATTRIBUTES {
    PSID Sid;
    DWORD Attributes;
};

struct TOKEN_USER {
    SID_AND_ATTRIBUTES User;
};

enum TOKEN_INFORMATION_CLASS { TokenUser = 1 };

using PSECURITY_DESCRIPTOR = void*;
using SECURITY_INFORMATION = DWORD;
inline constexpr SECURITY_INFORMATION OWNER_SECURITY_INFORMATION = 0x1;
inline constexpr DWORD TOKEN_QUERY = 0x0008;

// The pseudo handle of the calling process (no need to close it).
HANDLE GetCurrentProcess();

// The access token of the calling process (the pseudo handle only; others:
// ERROR_ACCESS_DENIED). Close it with CloseHandle.
BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token);

// TokenUser: a TOKEN_USER whose SID follows it in `information`. Too small a
// buffer: ERROR_INSUFFICIENT_BUFFER with the size needed in *returnLength.
// Other classes: ERROR_INVALID_PARAMETER.
BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass, LPVOID information,
                         DWORD informationLength, LPDWORD returnLength);

// A self-relative security descriptor holding the owner of the file (a symbolic
// link: the link's own). Only OWNER_SECURITY_INFORMATION is offered
// (ERROR_INVALID_PARAMETER otherwise); too small a buffer:
// ERROR_INSUFFICIENT_BUFFER with the size needed in *lengthNeeded.
BOOL GetFileSecurityA(LPCSTR fileName, SECURITY_INFORMATION requestedInformation,
                      PSECURITY_DESCRIPTOR securityDescriptor, DWORD length, LPDWORD lengthNeeded);

BOOL GetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR securityDescriptor, PSID* owner, BOOL* ownerDefaulted);
BOOL EqualSid(PSID sid1, PSID sid2);
