#include <winbase.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

constexpr DWORD kSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

// Result, buffer and last error of one FormatMessageA call.
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

TEST(FormatMessage, WindowsWordingWithItsLineEnd)
{
    const std::pair<DWORD, const char*> texts[] = {
        {ERROR_SUCCESS, "The operation completed successfully.\r\n"},
        {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
        {RPC_S_SERVER_UNAVAILABLE, "The RPC server is unavailable.\r\n"},
        // COM's own: some end without a full stop, as on Windows.
        {0x80040154, "Class not registered\r\n"},               // REGDB_E_CLASSNOTREG
        {0x80080005, "Server execution failed\r\n"},            // CO_E_SERVER_EXEC_FAILURE
        {0x800401F3, "Invalid class string\r\n"},               // CO_E_CLASSSTRING
        {0x800401F0, "CoInitialize has not been called.\r\n"},  // CO_E_NOTINITIALIZED
        {0x800401FC, "Object is already registered\r\n"},       // CO_E_OBJISREG
        {0x80020003, "Member not found.\r\n"},                  // DISP_E_MEMBERNOTFOUND
        // Facility 7 carries a Win32 code.
        {0x80070005, "Access is denied.\r\n"},                  // E_ACCESSDENIED
        {0x800706BA, "The RPC server is unavailable.\r\n"},
    };
    for (auto [id, text] : texts) {
        Formatted formatted = Format(id);
        EXPECT_EQ(formatted.text, text) << std::hex << id;
        EXPECT_EQ(formatted.result, std::strlen(text)) << std::hex << id;
    }
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
        ERROR_NO_MORE_FILES, ERROR_INVALID_SECURITY_DESCR,
    };
    for (DWORD code : codes) {
        Formatted plain = Format(code);
        ASSERT_NE(plain.result, 0u) << code;
        EXPECT_EQ(plain.text.substr(plain.text.size() - 3), ".\r\n") << code;
        EXPECT_EQ(Format(0x80070000u | code).text, plain.text) << code;  // HRESULT_FROM_WIN32
    }
}

TEST(FormatMessage, FailuresLeaveTheBufferUntouched)
{
    for (DWORD id : {0x80041234u, 0x80079999u, 99999u}) {
        Formatted unknown = Format(id);
        EXPECT_EQ(unknown.result, 0u) << std::hex << id;
        EXPECT_EQ(unknown.error, ERROR_MR_MID_NOT_FOUND) << std::hex << id;
        EXPECT_EQ(unknown.text[0], '#') << std::hex << id;
    }
    const DWORD length = sizeof "Class not registered\r\n" - 1;
    Formatted tight = Format(0x80040154, kSystem, 0, length);
    EXPECT_EQ(tight.result, 0u);
    EXPECT_EQ(tight.error, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(tight.text[0], '#');
    EXPECT_EQ(Format(0x80040154, kSystem, 0, length + 1).result, length);

    SetLastError(0xDEAD);
    EXPECT_EQ(FormatMessageA(kSystem, nullptr, ERROR_ACCESS_DENIED, 0, nullptr, 256, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(FormatMessage, AllocatedTextIsFreedWithLocalFree)
{
    constexpr DWORD flags = kSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER;
    for (DWORD minimum : {0u, 1000u}) {
        char* text = nullptr;
        DWORD length = FormatMessageA(flags, nullptr, 0x80080005, 0, reinterpret_cast<LPSTR>(&text), minimum, nullptr);
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text, "Server execution failed\r\n");
        EXPECT_EQ(length, std::strlen(text));
        EXPECT_EQ(LocalFree(text), nullptr);
    }
    char* none = reinterpret_cast<char*>(0x1);
    EXPECT_EQ(FormatMessageA(flags, nullptr, 0x80041234, 0, reinterpret_cast<LPSTR>(&none), 0, nullptr), 0u);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(LocalFree(nullptr), nullptr);
}

TEST(FormatMessage, FlagsInsertsAndLanguages)
{
    EXPECT_EQ(Format(ERROR_BAD_EXE_FORMAT).text, "%1 is not a valid Win32 application.\r\n");
    EXPECT_EQ(Format(ERROR_BAD_EXE_FORMAT, FORMAT_MESSAGE_FROM_SYSTEM).error, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Format(ERROR_ACCESS_DENIED, FORMAT_MESSAGE_FROM_SYSTEM).text, "Access is denied.\r\n");

    EXPECT_EQ(Format(ERROR_ACCESS_DENIED, FORMAT_MESSAGE_IGNORE_INSERTS).error, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Format(ERROR_ACCESS_DENIED, FORMAT_MESSAGE_FROM_STRING).error, ERROR_CALL_NOT_IMPLEMENTED);
    EXPECT_EQ(Format(ERROR_ACCESS_DENIED, kSystem | FORMAT_MESSAGE_MAX_WIDTH_MASK).error, ERROR_CALL_NOT_IMPLEMENTED);
    EXPECT_EQ(Format(ERROR_ACCESS_DENIED, kSystem | FORMAT_MESSAGE_FROM_HMODULE).text, "Access is denied.\r\n");

    EXPECT_NE(Format(ERROR_ACCESS_DENIED, kSystem, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT)).result, 0u);
    EXPECT_NE(Format(ERROR_ACCESS_DENIED, kSystem, MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT)).result, 0u);
    EXPECT_EQ(Format(ERROR_ACCESS_DENIED, kSystem, MAKELANGID(0x07, SUBLANG_DEFAULT)).error,
              ERROR_RESOURCE_LANG_NOT_FOUND);  // German
}

}  // namespace
