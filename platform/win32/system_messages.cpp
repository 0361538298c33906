// Windows' own English wording, full stop or not as Windows has it. HRESULTs
// are listed by number, one table for every layer's: the speech engine's names
// live above this one, and the values are fixed by Windows.
#include <system_messages.h>

#include <winbase.h>

namespace {

struct Message {
    DWORD id;
    const char* text;
};

constexpr Message kWin32Messages[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, "Incorrect function."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command."},
    {ERROR_OUTOFMEMORY, "Not enough memory resources are available to complete this operation."},
    {ERROR_NOT_SAME_DEVICE, "The system cannot move the file to a different disk drive."},
    {ERROR_WRITE_PROTECT, "The media is write protected."},
    {ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
    {ERROR_SHARING_VIOLATION, "The process cannot access the file because it is being used by another process."},
    {ERROR_HANDLE_EOF, "Reached the end of the file."},
    {ERROR_NOT_SUPPORTED, "The request is not supported."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_BROKEN_PIPE, "The pipe has been ended."},
    {ERROR_DISK_FULL, "There is not enough space on the disk."},
    {ERROR_CALL_NOT_IMPLEMENTED, "This function is not supported on this system."},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
    {ERROR_BUSY, "The requested resource is in use."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_BAD_EXE_FORMAT, "%1 is not a valid Win32 application."},
    {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
    {ERROR_MORE_DATA, "More data is available."},
    {ERROR_NO_MORE_ITEMS, "No more data is available."},
    {ERROR_DIRECTORY, "The directory name is invalid."},
    {ERROR_NO_MORE_FILES, "There are no more files."},
    {ERROR_MR_MID_NOT_FOUND, "The system cannot find message text for message number 0x%1 in the message file for %2."},
    {ERROR_INVALID_FLAGS, "Invalid flags."},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion."},  // ERROR_KEY_DELETED
    {ERROR_NO_UNICODE_TRANSLATION, "No mapping for the Unicode character exists in the target multi-byte code page."},
    {ERROR_IO_DEVICE, "The request could not be performed because of an I/O device error."},
    {ERROR_NOT_FOUND, "Element not found."},
    {ERROR_CANCELLED, "The operation was canceled by the user."},
    {ERROR_INVALID_SECURITY_DESCR, "The security descriptor structure is invalid."},
    {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle."},
    {ERROR_CANNOT_FIND_WND_CLASS, "Cannot find window class."},
    {ERROR_CLASS_ALREADY_EXISTS, "Class already exists."},
    {ERROR_CLASS_DOES_NOT_EXIST, "Class does not exist."},
    {ERROR_CLASS_HAS_WINDOWS, "Class still has open windows."},
    {ERROR_INVALID_THREAD_ID, "Invalid thread identifier."},
    {ERROR_TIMEOUT, "This operation returned because the timeout period expired."},
    {RPC_S_SERVER_UNAVAILABLE, "The RPC server is unavailable."},
    {ERROR_RESOURCE_LANG_NOT_FOUND, "The specified resource language ID cannot be found in the image file."},
    {ERROR_CANT_RESOLVE_FILENAME, "The name of the file cannot be resolved by the system."},
};

constexpr Message kHresultMessages[] = {
    {0x80004001, "Not implemented"},                      // E_NOTIMPL
    {0x80004002, "No such interface supported"},          // E_NOINTERFACE
    {0x80004003, "Invalid pointer"},                      // E_POINTER
    {0x80004004, "Operation aborted"},                    // E_ABORT
    {0x80004005, "Unspecified error"},                    // E_FAIL
    {0x8000FFFF, "Catastrophic failure"},                 // E_UNEXPECTED
    {0x80010105, "The server threw an exception."},       // RPC_E_SERVERFAULT
    {0x80010106, "Cannot change thread mode after it is set."},             // RPC_E_CHANGED_MODE
    {0x80010108, "The object invoked has disconnected from its clients."},  // RPC_E_DISCONNECTED
    {0x8001000F, "Received data is invalid; could be server or client data."},  // RPC_E_INVALID_DATA
    // RPC_E_WRONG_THREAD
    {0x8001010E, "The application called an interface that was marshalled for a different thread."},
    {0x8001010F, "CoInitialize has not been called on the current thread."},  // RPC_E_THREAD_NOT_INIT
    {0x80020001, "Unknown interface."},               // DISP_E_UNKNOWNINTERFACE
    {0x80020003, "Member not found."},                // DISP_E_MEMBERNOTFOUND
    {0x80020004, "Parameter not found."},             // DISP_E_PARAMNOTFOUND
    {0x80020005, "Type mismatch."},                   // DISP_E_TYPEMISMATCH
    {0x80020006, "Unknown name."},                    // DISP_E_UNKNOWNNAME
    {0x80020007, "No named arguments."},              // DISP_E_NONAMEDARGS
    {0x80020008, "Bad variable type."},               // DISP_E_BADVARTYPE
    {0x80020009, "Exception occurred."},              // DISP_E_EXCEPTION
    {0x8002000A, "Out of present range."},            // DISP_E_OVERFLOW
    {0x8002000B, "Invalid index."},                   // DISP_E_BADINDEX
    {0x8002000C, "Unknown language."},                // DISP_E_UNKNOWNLCID
    {0x8002000D, "Memory is locked."},                // DISP_E_ARRAYISLOCKED
    {0x8002000E, "Invalid number of parameters."},    // DISP_E_BADPARAMCOUNT
    {0x8002000F, "Parameter not optional."},          // DISP_E_PARAMNOTOPTIONAL
    {0x80020010, "Invalid callee."},                  // DISP_E_BADCALLEE
    {0x80020011, "Does not support a collection."},   // DISP_E_NOTACOLLECTION
    {0x80020012, "Division by zero."},                // DISP_E_DIVBYZERO
    {0x8002802B, "Element not found."},               // TYPE_E_ELEMENTNOTFOUND
    {0x80040110, "Class does not support aggregation (or class object is remote)"},  // CLASS_E_NOAGGREGATION
    {0x80040111, "ClassFactory cannot supply requested class"},  // CLASS_E_CLASSNOTAVAILABLE
    {0x80040150, "Could not read key from registry"},            // REGDB_E_READREGDB
    {0x80040151, "Could not write key to registry"},             // REGDB_E_WRITEREGDB
    {0x80040152, "Could not find the key in the registry"},      // REGDB_E_KEYMISSING
    {0x80040153, "Invalid value for registry"},                  // REGDB_E_INVALIDVALUE
    {0x80040154, "Class not registered"},                        // REGDB_E_CLASSNOTREG
    {0x800401E3, "Operation unavailable"},                       // MK_E_UNAVAILABLE
    {0x800401F0, "CoInitialize has not been called."},           // CO_E_NOTINITIALIZED
    {0x800401F3, "Invalid class string"},                        // CO_E_CLASSSTRING
    {0x800401FB, "Object is not registered"},                    // CO_E_OBJNOTREG
    {0x800401FC, "Object is already registered"},                // CO_E_OBJISREG
    {0x800401FD, "Object is not connected to server"},           // CO_E_OBJNOTCONNECTED
    {0x80080005, "Server execution failed"},                     // CO_E_SERVER_EXEC_FAILURE
    {0x80080008, "Object server is stopping when OLE service contacts it"},  // CO_E_SERVER_STOPPING
    // The speech engine's codes, in the engine's own words (SAPI's wording where it
    // fits this platform: here a sound server stands where Windows has a wave driver).
    {0x80045001, "The object has not been properly initialized."},                // SPERR_UNINITIALIZED
    {0x80045002, "The object has already been initialized."},                     // SPERR_ALREADY_INITIALIZED
    {0x80045003, "The caller has specified an unsupported format."},              // SPERR_UNSUPPORTED_FORMAT
    {0x80045004, "The caller has specified invalid flags for this operation."},  // SPERR_INVALID_FLAGS
    {0x80045006, "The audio device is busy."},                                    // SPERR_DEVICE_BUSY
    {0x80045009, "No audio server answered, so nothing can be heard."},           // SPERR_NO_DRIVER
    {0x80045011, "The audio server stopped playing."},                            // SPERR_AUDIO_STOPPED
    {0x80045025, "The stream has been closed."},                                  // SPERR_STREAM_CLOSED
    {0x80045039, "No more items were found."},                                    // SPERR_NO_MORE_ITEMS
    {0x8004503A, "The requested data item was not found."},                       // SPERR_NOT_FOUND
    {0x80045041, "The speech synthesizer is not available."},                     // SPERR_ENGINE_FAILED
};

constexpr DWORD kWin32Facility = 0x80070000;

template <std::size_t N>
std::optional<std::string_view> Find(const Message (&table)[N], DWORD id)
{
    for (const Message& message : table)
        if (message.id == id) return message.text;
    return std::nullopt;
}

}  // namespace

namespace win32 {

std::optional<std::string_view> SystemMessageText(DWORD messageId)
{
    if ((messageId & 0xFFFF0000u) == kWin32Facility) return Find(kWin32Messages, messageId & 0xFFFFu);
    if (auto text = Find(kWin32Messages, messageId)) return text;
    return Find(kHresultMessages, messageId);
}

}  // namespace win32
