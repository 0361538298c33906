#include <afx.h>
#include <varnel/resource_data.h>
#include <oleauto.h>

#include "ansi_text.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

std::u16string_view WideView(const WCHAR* wide)
{
    return wide ? std::u16string_view(wide) : std::u16string_view();
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

CString::CString(const char* text) : data_(text ? text : "") {}

CString::CString(const char* text, int length)
{
    if (text && length > 0) data_.assign(text, static_cast<std::size_t>(length));
}

CString::CString(char ch, int repeat)
{
    if (repeat > 0) data_.assign(static_cast<std::size_t>(repeat), ch);
}

CString::CString(const WCHAR* wide) : data_(afx_detail::WideToAnsi(WideView(wide))) {}

CString::CString(const WCHAR* wide, int length)
{
    if (wide && length > 0) data_ = afx_detail::WideToAnsi(std::u16string_view(wide, static_cast<std::size_t>(length)));
}

CString& CString::operator=(const char* text)
{
    data_ = text ? text : "";
    return *this;
}

CString& CString::operator=(char ch)
{
    data_.assign(1, ch);
    return *this;
}

CString& CString::operator=(const WCHAR* wide)
{
    data_ = afx_detail::WideToAnsi(WideView(wide));
    return *this;
}

char CString::GetAt(int index) const
{
    return index >= 0 && index < GetLength() ? data_[static_cast<std::size_t>(index)] : '\0';
}

void CString::SetAt(int index, char ch)
{
    if (index >= 0 && index < GetLength()) data_[static_cast<std::size_t>(index)] = ch;
}

CString& CString::operator+=(const CString& other)
{
    data_ += other.data_;
    return *this;
}

CString& CString::operator+=(const char* text)
{
    if (text) data_ += text;
    return *this;
}

CString& CString::operator+=(char ch)
{
    data_ += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b)
{
    CString result(a);
    return result += b;
}

CString operator+(const CString& a, const char* b)
{
    CString result(a);
    return result += b;
}

CString operator+(const char* a, const CString& b)
{
    CString result(a);
    return result += b;
}

CString operator+(const CString& a, char b)
{
    CString result(a);
    return result += b;
}

int CString::Compare(const char* other) const
{
    return std::strcmp(data_.c_str(), other ? other : "");
}

int CString::CompareNoCase(const char* other) const
{
    const char* a = data_.c_str();
    const char* b = other ? other : "";
    for (;; ++a, ++b) {
        const unsigned char ca = static_cast<unsigned char>(AsciiLower(*a));
        const unsigned char cb = static_cast<unsigned char>(AsciiLower(*b));
        if (ca != cb || ca == 0) return ca < cb ? -1 : ca > cb ? 1 : 0;
    }
}

void CString::FormatRaw(const char* format, ...)
{
    if (!format) {
        data_.clear();
        return;
    }
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed < 0) {
        data_.clear();
    } else {
        std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        data_.assign(buffer.data(), static_cast<std::size_t>(needed));
    }
    va_end(args);
}

CString CString::Left(int count) const
{
    return CString(data_.c_str(), std::clamp(count, 0, GetLength()));
}

CString CString::Mid(int first) const
{
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const
{
    first = std::clamp(first, 0, GetLength());
    count = std::clamp(count, 0, GetLength() - first);
    return CString(data_.c_str() + first, count);
}

CString CString::Right(int count) const
{
    count = std::clamp(count, 0, GetLength());
    return CString(data_.c_str() + (GetLength() - count), count);
}

int CString::Find(char ch, int start) const
{
    if (start < 0 || start >= GetLength()) return -1;
    const auto at = data_.find(ch, static_cast<std::size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const char* sub, int start) const
{
    if (!sub || start < 0 || start > GetLength()) return -1;
    const auto at = data_.find(sub, static_cast<std::size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char ch) const
{
    const auto at = data_.rfind(ch);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Replace(const char* from, const char* to)
{
    if (!from || !*from) return 0;
    const std::string_view needle(from);
    const std::string_view replacement(to ? to : "");
    int count = 0;
    std::string result;
    std::size_t pos = 0;
    for (auto at = data_.find(needle); at != std::string::npos; at = data_.find(needle, pos)) {
        result.append(data_, pos, at - pos).append(replacement);
        pos = at + needle.size();
        ++count;
    }
    if (count) data_ = result.append(data_, pos, std::string::npos);
    return count;
}

int CString::Replace(char from, char to)
{
    int count = 0;
    for (char& c : data_)
        if (c == from) {
            c = to;
            ++count;
        }
    return count;
}

CString& CString::MakeUpper()
{
    std::transform(data_.begin(), data_.end(), data_.begin(), AsciiUpper);
    return *this;
}

CString& CString::MakeLower()
{
    std::transform(data_.begin(), data_.end(), data_.begin(), AsciiLower);
    return *this;
}

CString& CString::TrimLeft()
{
    data_.erase(data_.begin(), std::find_if_not(data_.begin(), data_.end(), IsBlank));
    return *this;
}

CString& CString::TrimRight()
{
    data_.erase(std::find_if_not(data_.rbegin(), data_.rend(), IsBlank).base(), data_.end());
    return *this;
}

LPTSTR CString::GetBuffer(int minLength)
{
    if (minLength > GetLength()) data_.resize(static_cast<std::size_t>(minLength));
    return data_.data();
}

LPTSTR CString::GetBufferSetLength(int length)
{
    data_.resize(static_cast<std::size_t>(std::max(length, 0)));
    return data_.data();
}

void CString::ReleaseBuffer(int newLength)
{
    if (newLength < 0) newLength = static_cast<int>(std::strlen(data_.c_str()));
    data_.resize(static_cast<std::size_t>(std::min(newLength, GetLength())));
}

BOOL CString::LoadString(UINT id)
{
    return AfxLoadString(id, *this);
}

WCHAR* CString::AllocSysString() const
{
    const std::u16string wide = afx_detail::AnsiToWide(data_);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

BOOL CString::SetSysString(WCHAR** bstr) const
{
    if (!bstr) return FALSE;
    WCHAR* fresh = AllocSysString();
    if (!fresh) return FALSE;
    SysFreeString(*bstr);
    *bstr = fresh;
    return TRUE;
}

std::u16string CString::ToWide() const
{
    return afx_detail::AnsiToWide(data_);
}
