// The class the tests register and their test server serves.
#pragma once

#include <guiddef.h>

inline constexpr const char* kHoldTestProgId = "VarnelTest.Held";
inline constexpr const char* kHoldTestClsidText = "{5E7A0C31-92D4-4B6E-8F13-6C2D7A9B4E01}";
inline constexpr CLSID kHoldTestClsid = MakeGuid("{5E7A0C31-92D4-4B6E-8F13-6C2D7A9B4E01}");
