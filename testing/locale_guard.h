// Test helper: puts a locale in force for one test (LANG alone, so nothing
// overrides it) and afterwards all three locale variables back, re-reading the
// ANSI code page both times.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include <varnel/codepage.h>

namespace testing_support {

class LocaleGuard {
public:
    LocaleGuard() : lcAll_(Get("LC_ALL")), lcCtype_(Get("LC_CTYPE")), lang_(Get("LANG")) {}
    // Only LANG set, to `locale`.
    explicit LocaleGuard(const char* locale) : LocaleGuard()
    {
        unsetenv("LC_ALL");
        unsetenv("LC_CTYPE");
        setenv("LANG", locale, 1);
        win32::nls::RereadAnsiCodePage();
    }
    ~LocaleGuard()
    {
        Put("LC_ALL", lcAll_);
        Put("LC_CTYPE", lcCtype_);
        Put("LANG", lang_);
        win32::nls::RereadAnsiCodePage();
    }
    LocaleGuard(const LocaleGuard&) = delete;
    LocaleGuard& operator=(const LocaleGuard&) = delete;

private:
    static std::optional<std::string> Get(const char* name)
    {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    }
    static void Put(const char* name, const std::optional<std::string>& value)
    {
        if (value) setenv(name, value->c_str(), 1);
        else unsetenv(name);
    }

    std::optional<std::string> lcAll_, lcCtype_, lang_;
};

}  // namespace testing_support
