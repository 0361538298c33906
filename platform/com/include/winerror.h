// HRESULT and the status codes the programs and the speech engine use.
#pragma once

#include <windef.h>

using HRESULT = std::int32_t;

constexpr HRESULT MAKE_HRESULT_CODE(std::uint32_t value) { return static_cast<HRESULT>(value); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MAKE_HRESULT_CODE(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = MAKE_HRESULT_CODE(0x80004002);
inline constexpr HRESULT E_POINTER = MAKE_HRESULT_CODE(0x80004003);
inline constexpr HRESULT E_FAIL = MAKE_HRESULT_CODE(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = MAKE_HRESULT_CODE(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = MAKE_HRESULT_CODE(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = MAKE_HRESULT_CODE(0x80070057);
inline constexpr HRESULT E_ACCESSDENIED = MAKE_HRESULT_CODE(0x80070005);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = MAKE_HRESULT_CODE(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MAKE_HRESULT_CODE(0x80040111);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MAKE_HRESULT_CODE(0x80040154);
inline constexpr HRESULT CO_E_NOTINITIALIZED = MAKE_HRESULT_CODE(0x800401F0);
inline constexpr HRESULT CO_E_CLASSSTRING = MAKE_HRESULT_CODE(0x800401F3);
inline constexpr HRESULT RPC_E_CHANGED_MODE = MAKE_HRESULT_CODE(0x80010106);

// A Win32 error code carried as an HRESULT (facility 7).
constexpr HRESULT HRESULT_FROM_WIN32(DWORD error)
{
    return error == 0 ? S_OK : static_cast<HRESULT>((error & 0xFFFFu) | 0x80070000u);
}

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
