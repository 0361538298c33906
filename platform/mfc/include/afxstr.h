// CString: the programs' ANSI string, in the system code page (CP_ACP).
#pragma once

#include <windef.h>

#include <string>
#include <type_traits>

#ifndef _T
#define _T(x) x
#endif

using TCHAR = char;
using LPTSTR = char*;
using LPCTSTR = const char*;

class CString {
public:
    CString() = default;
    CString(const char* text);                 // null gives empty
    CString(const char* text, int length);     // exactly length bytes (embedded zeros kept)
    CString(char ch, int repeat = 1);
    CString(const WCHAR* wide);                // UTF-16 -> CP_ACP; null gives empty
    CString(const WCHAR* wide, int length);    // length UTF-16 units
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const char* text);
    CString& operator=(char ch);
    CString& operator=(const WCHAR* wide);

    int GetLength() const { return static_cast<int>(data_.size()); }
    BOOL IsEmpty() const { return data_.empty(); }
    void Empty() { data_.clear(); }
    operator LPCTSTR() const { return data_.c_str(); }
    LPCTSTR GetString() const { return data_.c_str(); }
    char GetAt(int index) const;               // 0 outside the string
    char operator[](int index) const { return GetAt(index); }
    void SetAt(int index, char ch);            // ignored outside the string

    CString& operator+=(const CString& other);
    CString& operator+=(const char* text);
    CString& operator+=(char ch);
    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const char* b);
    friend CString operator+(const char* a, const CString& b);
    friend CString operator+(const CString& a, char b);

    friend bool operator==(const CString& a, const CString& b) { return a.data_ == b.data_; }
    friend bool operator==(const CString& a, const char* b) { return a.data_ == (b ? b : ""); }
    friend bool operator<(const CString& a, const CString& b) { return a.data_ < b.data_; }
    int Compare(const char* other) const;        // byte-wise, <0, 0, >0
    int CompareNoCase(const char* other) const;  // ASCII letters folded

    // printf-style. CString arguments may be passed directly (they are passed on as
    // const char*). The format is a printf format (%d, %s, %ld, %x, ...).
    template <class... Args>
    void Format(const char* format, const Args&... args)
    {
        FormatRaw(format, PassOn(args)...);
    }
    template <class... Args>
    void Format(UINT formatId, const Args&... args)
    {
        CString format;
        format.LoadString(formatId);
        FormatRaw(format.GetString(), PassOn(args)...);
    }
    void FormatRaw(const char* format, ...);     // C varargs form

    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;
    int Find(char ch, int start = 0) const;      // -1 when absent
    int Find(const char* sub, int start = 0) const;
    int ReverseFind(char ch) const;
    int Replace(const char* from, const char* to);  // returns the number replaced
    int Replace(char from, char to);
    CString& MakeUpper();                        // ASCII letters only
    CString& MakeLower();
    CString& TrimLeft();                         // blanks, tabs, CR, LF
    CString& TrimRight();
    CString& Trim() { TrimRight(); return TrimLeft(); }

    // A writable buffer of at least minLength bytes plus the terminator. After
    // writing, ReleaseBuffer(-1) takes the length up to the first zero byte.
    LPTSTR GetBuffer(int minLength = 0);
    LPTSTR GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);

    // String resource (registered by the program, see varnel/resource_data.h), converted to CP_ACP.
    BOOL LoadString(UINT id);

    // BSTR conversion through CP_ACP. AllocSysString returns a new BSTR (caller frees).
    WCHAR* AllocSysString() const;
    // Frees *bstr (may be null) and stores a new BSTR of this string.
    BOOL SetSysString(WCHAR** bstr) const;

    // The same text as UTF-16 (CP_ACP -> wide), for callers that need wide text.
    std::u16string ToWide() const;

    const std::string& str() const { return data_; }

private:
    template <class T>
    static decltype(auto) PassOn(const T& value)
    {
        if constexpr (std::is_same_v<T, CString>) return value.GetString();
        else if constexpr (std::is_array_v<T>) return static_cast<const std::remove_extent_t<T>*>(value);
        else return (value);
    }

    std::string data_;
};
