// Conversions between the ANSI code page (CP_ACP) and UTF-16, through winnls.h.
#pragma once

#include <string>
#include <string_view>

namespace afx_detail {

std::u16string AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::u16string_view wide);

}  // namespace afx_detail
