// Test helper: sets LC_ALL for one test and re-reads the ANSI code page, then
// puts the old value back.
#pragma once

#include <codepage.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace textload_test {

class LocaleSetting {
public:
    explicit LocaleSetting(const char* locale)
    {
        if (const char* old = std::getenv("LC_ALL")) old_ = old;
        setenv("LC_ALL", locale, 1);
        win32::nls::RereadAnsiCodePage();
    }
    ~LocaleSetting()
    {
        if (old_) setenv("LC_ALL", old_->c_str(), 1);
        else unsetenv("LC_ALL");
        win32::nls::RereadAnsiCodePage();
    }
    LocaleSetting(const LocaleSetting&) = delete;
    LocaleSetting& operator=(const LocaleSetting&) = delete;

private:
    std::optional<std::string> old_;
};

}  // namespace textload_test
