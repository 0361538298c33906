// The voice tells where it is in UTF-16 units of the text it was given; an edit
// box selects by offsets of its own (CP_ACP) text.
#pragma once

#include <afxwin.h>

// The CP_ACP offset in `text` of its first `utf16Units` UTF-16 units (clamped to the text).
int AnsiOffsetOfUtf16(const CString& text, long utf16Units);
