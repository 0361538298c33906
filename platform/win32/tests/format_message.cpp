#include <winbase.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

constexpr DWORD kSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
constexpr DWORD kRpcServerUnavailable = 0x800706BA;

// Result, buffer and last error of one FormatMessageA call into a 256-byte buffer.
struct Formatted {
    DWORD result;
    std::string text;
    DWORD error;
};

Formatted Format(DWORD id, DWORD flags = kSystem, DWORD language = 0, DWORD size = 256)
{
    char buffer[256];
    std::memset(buffer, '#', sizeof buffer);
    buffer[sizeof buffer - 1] = '\0';
    SetLastError(0xDEAD);
    DWORD result = FormatMessageA(flags, nullptr, id, language, buffer, size, nullptr);
    return {result, buffer, GetLastError()};
}

std::string Text(DWORD id) { return Format(id).text; }

TEST(FormatMessage, Win32ErrorsInWindowsWording)
{
    auto found = Format(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(found.text, "The system cannot find the file specified.\r\n");
    EXPECT_EQ(found.result, found.text.size());
    EXPECT_EQ(Text(ERROR_SUCCESS), "The operation completed successfully.\r\n");
    EXPECT_EQ(Text(ERROR_ACCESS_DENIED), "Access is denied.\r\n");
    EXPECT_EQ(Text(ERROR_INVALID_PARAMETER), "The parameter is incorrect.\r\n");
    EXPECT_EQ(Text(ERROR_INSUFFICIENT_BUFFER), "The data area passed to a system call is too small.\r\n");
    EXPECT_EQ(Text(RPC_S_SERVER_UNAVAILABLE), "The RPC server is unavailable.\r\n");
}

TEST(FormatMessage, ComHresultsInWindowsWording)
{
    // Windows ends some of these without a full stop; callers trim the line end only.
    EXPECT_EQ(Text(0x80040154), "Class not registered\r\n");           // REGDB_E_CLASSNOTREG
    EXPECT_EQ(Text(0x80080005), "Server execution failed\r\n");        // CO_E_SERVER_EXEC_FAILURE
    EXPECT_EQ(Text(0x800401F3), "Invalid class string\r\n");           // CO_E_CLASSSTRING
    EXPECT_EQ(Text(0x800401F0), "CoInitialize has not been called.\r\n");  // CO_E_NOTINITIALIZED
    EXPECT_EQ(Text(0x800401FC), "Object is already registered\r\n");   // CO_E_OBJISREG
    EXPECT_EQ(Text(0x80004005), "Unspecified error\r\n");              // E_FAIL
    EXPECT_EQ(Text(0x80004002), "No such interface supported\r\n");    // E_NOINTERFACE
    EXPECT_EQ(Text(0x80020003), "Member not found.\r\n");              // DISP_E_MEMBERNOTFOUND
    EXPECT_EQ(Text(0x80070005), "Access is denied.\r\n");              // E_ACCESSDENIED
    EXPECT_EQ(Text(0x8007000E), "Not enough memory resources are available to complete this operation.\r\n");
    EXPECT_EQ(Text(kRpcServerUnavailable), "The RPC server is unavailable.\r\n");
}

TEST(FormatMessage, EveryWin32ErrorHasItsTextAlsoAsHresult)
{
    const DWORD codes[] = {
        ERROR_SUCCESS, ERROR_INVALID_FUNCTION, ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND,
        ERROR_TOO_MANY_OPEN_FILES, ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE, ERROR_NOT_ENOUGH_MEMORY,
        ERROR_OUTOFMEMORY, ERROR_NOT_SAME_DEVICE, ERROR_WRITE_PROTECT, ERROR_GEN_FAILURE,
        ERROR_SHARING_VIOLATION, ERROR_HANDLE_EOF, ERROR_NOT_SUPPORTED, ERROR_FILE_EXISTS,
        ERROR_INVALID_PARAMETER, ERROR_BROKEN_PIPE, ERROR_DISK_FULL, ERROR_CALL_NOT_IMPLEMENTED,
        ERROR_INSUFFICIENT_BUFFER, ERROR_INVALID_NAME, ERROR_DIR_NOT_EMPTY, ERROR_BUSY, ERROR_ALREADY_EXISTS,
        ERROR_BAD_EXE_FORMAT, ERROR_FILENAME_EXCED_RANGE, ERROR_MORE_DATA, ERROR_NO_MORE_ITEMS, ERROR_DIRECTORY,
        ERROR_MR_MID_NOT_FOUND, ERROR_INVALID_FLAGS, ERROR_NO_UNICODE_TRANSLATION, ERROR_IO_DEVICE,
        ERROR_NOT_FOUND, ERROR_CANCELLED, ERROR_INVALID_WINDOW_HANDLE, ERROR_CANNOT_FIND_WND_CLASS,
        ERROR_CLASS_ALREADY_EXISTS, ERROR_CLASS_DOES_NOT_EXIST, ERROR_CLASS_HAS_WINDOWS, ERROR_INVALID_THREAD_ID,
        ERROR_TIMEOUT, RPC_S_SERVER_UNAVAILABLE, ERROR_RESOURCE_LANG_NOT_FOUND, ERROR_CANT_RESOLVE_FILENAME,
    };
    for (DWORD code : codes) {
        auto plain = Format(code);
        ASSERT_NE(plain.result, 0u) << code;
        EXPECT_EQ(plain.text.substr(plain.text.size() - 3), ".\r\n") << code;
        EXPECT_EQ(Text(0x80070000u | code), plain.text) << code;  // HRESULT_FROM_WIN32
    }
}

TEST(FormatMessage, UnknownCodesFailWithMessageNotFound)
{
    for (DWORD id : {0x80041234u, 0x80079999u, 99999u, 0xC0000005u}) {
        auto unknown = Format(id);
        EXPECT_EQ(unknown.result, 0u) << std::hex << id;
        EXPECT_EQ(unknown.error, ERROR_MR_MID_NOT_FOUND) << std::hex << id;
        EXPECT_EQ(unknown.text[0], '#') << std::hex << id;
    }
}

TEST(FormatMessage, TooSmallBufferIsLeftUntouched)
{
    const std::string text = "Class not registered\r\n";
    auto tight = Format(0x80040154, kSystem, 0, static_cast<DWORD>(text.size()));
    EXPECT_EQ(tight.result, 0u);
    EXPECT_EQ(tight.error, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(tight.text[0], '#');
    auto exact = Format(0x80040154, kSystem, 0, static_cast<DWORD>(text.size() + 1));
    EXPECT_EQ(exact.result, text.size());
    EXPECT_EQ(exact.text, text);

    SetLastError(0xDEAD);
    EXPECT_EQ(FormatMessageA(kSystem, nullptr, ERROR_ACCESS_DENIED, 0, nullptr, 0, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    SetLastError(0xDEAD);
    EXPECT_EQ(FormatMessageA(kSystem, nullptr, ERROR_ACCESS_DENIED, 0, nullptr, 256, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(FormatMessage, AllocatedTextIsFreedWithLocalFree)
{
    constexpr DWORD flags = kSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER;
    for (DWORD minimum : {0u, 4u, 1000u}) {
        char* text = reinterpret_cast<char*>(0x1);
        DWORD length = FormatMessageA(flags, nullptr, 0x80080005, 0, reinterpret_cast<LPSTR>(&text), minimum, nullptr);
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text, "Server execution failed\r\n");
        EXPECT_EQ(length, std::strlen(text));
        EXPECT_EQ(LocalFree(text), nullptr);
    }

    char* none = reinterpret_cast<char*>(0x1);
    SetLastError(0xDEAD);
    EXPECT_EQ(FormatMessageA(flags, nullptr, 0x80041234, 0, reinterpret_cast<LPSTR>(&none), 0, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
    EXPECT_EQ(none, nullptr);
    SetLastError(0xDEAD);
    EXPECT_EQ(FormatMessageA(flags, nullptr, ERROR_ACCESS_DENIED, 0, nullptr, 0, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
}

TEST(FormatMessage, InsertsNeedIgnoreInserts)
{
    EXPECT_EQ(Text(ERROR_BAD_EXE_FORMAT), "%1 is not a valid Win32 application.\r\n");
    auto filled = Format(ERROR_BAD_EXE_FORMAT, FORMAT_MESSAGE_FROM_SYSTEM);
    EXPECT_EQ(filled.result, 0u);
    EXPECT_EQ(filled.error, ERROR_INVALID_PARAMETER);
    // A text without inserts needs no arguments.
    EXPECT_EQ(Format(ERROR_ACCESS_DENIED, FORMAT_MESSAGE_FROM_SYSTEM).text, "Access is denied.\r\n");
}

TEST(FormatMessage, SourcesAndLanguages)
{
    auto none = Format(ERROR_ACCESS_DENIED, FORMAT_MESSAGE_IGNORE_INSERTS);
    EXPECT_EQ(none.result, 0u);
    EXPECT_EQ(none.error, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Format(ERROR_ACCESS_DENIED, FORMAT_MESSAGE_FROM_STRING).error, ERROR_CALL_NOT_IMPLEMENTED);
    EXPECT_EQ(Format(ERROR_ACCESS_DENIED, kSystem | FORMAT_MESSAGE_MAX_WIDTH_MASK).error, ERROR_CALL_NOT_IMPLEMENTED);
    // A module of null with FROM_SYSTEM falls back to the system's table.
    EXPECT_EQ(Format(ERROR_ACCESS_DENIED, kSystem | FORMAT_MESSAGE_FROM_HMODULE).text, "Access is denied.\r\n");

    EXPECT_EQ(Format(ERROR_ACCESS_DENIED, kSystem, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT)).text,
              "Access is denied.\r\n");
    EXPECT_EQ(Format(ERROR_ACCESS_DENIED, kSystem, MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT)).text,
              "Access is denied.\r\n");
    auto german = Format(ERROR_ACCESS_DENIED, kSystem, MAKELANGID(0x07, SUBLANG_DEFAULT));
    EXPECT_EQ(german.result, 0u);
    EXPECT_EQ(german.error, ERROR_RESOURCE_LANG_NOT_FOUND);
}

}  // namespace
