// What a function inside the platform returns: its value, or why it failed.
// Each layer carries the code of its own API (the Win32 layer a Win32 error,
// COM and above an HRESULT) and reports it only at the API's edge: a Win32
// function sets it as the last error, a COM method returns it.
#pragma once

#include <utility>
#include <variant>

#include <windef.h>

namespace win32 {

// Why something failed, in the code `Code` of the layer.
template <class Code>
struct Failure {
    Code code;
};
template <class Code>
Failure(Code) -> Failure<Code>;

template <class T, class Code = DWORD>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure<Code> failure) : state_(std::in_place_index<1>, failure.code) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(state_); }
    const T& value() const { return std::get<0>(state_); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    // The failure's code; Code{} (ERROR_SUCCESS, S_OK) when ok().
    Code failure() const { return ok() ? Code{} : std::get<1>(state_); }

private:
    std::variant<T, Code> state_;
};

// Success with no value, or a failure.
template <class Code>
class [[nodiscard]] Result<void, Code> {
public:
    Result() = default;
    Result(Failure<Code> failure) : failed_(true), code_(failure.code) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    Code failure() const { return code_; }

private:
    bool failed_ = false;
    Code code_{};
};

// The Win32 layer's results: a failure is a Win32 error code.
using Status = Result<void, DWORD>;

// errno as the Win32 layer's failure (the mapping of ErrorFromErrno).
Failure<DWORD> FailureFromErrno(int error, const char* path = nullptr);

}  // namespace win32
