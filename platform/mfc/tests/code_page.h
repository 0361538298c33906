// Runs a test under a chosen ANSI code page (through the locale variables).
#pragma once

#include <codepage.h>
#include <winnls.h>

#include <cstdlib>
#include <string>

namespace mfc_test {

class ScopedLocale {
public:
    explicit ScopedLocale(const char* locale)
    {
        if (const char* old = std::getenv("LC_ALL")) old_ = old, had_ = true;
        setenv("LC_ALL", locale, 1);
        win32::nls::RereadAnsiCodePage();
    }
    ~ScopedLocale()
    {
        if (had_) setenv("LC_ALL", old_.c_str(), 1);
        else unsetenv("LC_ALL");
        win32::nls::RereadAnsiCodePage();
    }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    std::string old_;
    bool had_ = false;
};

// "白日" in code page 936 and in UTF-8.
inline const char kGbkBaiRi[] = "\xB0\xD7\xC8\xD5";
inline const char kUtf8BaiRi[] = "\xE7\x99\xBD\xE6\x97\xA5";

}  // namespace mfc_test
