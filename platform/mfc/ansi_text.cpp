#include "ansi_text.h"

#include <varnel/codepage.h>
#include <winnls.h>

namespace afx_detail {

std::u16string AnsiToWide(std::string_view ansi) { return win32::nls::ToWide(CP_ACP, ansi); }

std::string WideToAnsi(std::u16string_view wide) { return win32::nls::FromWide(CP_ACP, wide); }

}  // namespace afx_detail
