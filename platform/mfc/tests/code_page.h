// One text in the two ANSI code pages the tests run under.
#pragma once

namespace mfc_test {

// "白日" in code page 936 and in UTF-8.
inline const char kGbkBaiRi[] = "\xB0\xD7\xC8\xD5";
inline const char kUtf8BaiRi[] = "\xE7\x99\xBD\xE6\x97\xA5";

}  // namespace mfc_test
