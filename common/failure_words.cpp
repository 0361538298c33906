#include "failure_words.h"

#include <varnel/status_text.h>

std::string FailureInWords(HRESULT hr)
{
    std::string words = com::SystemStatusText(hr);
    if (words.empty()) return com::StatusText(hr);  // the one wording for a code without text
    // The code follows in parentheses, so the sentence's own end goes.
    if (words.back() == '.') words.pop_back();
    return words + " (" + com::StatusCode(hr) + ")";
}

std::string Win32FailureInWords(DWORD error) { return FailureInWords(HRESULT_FROM_WIN32(error)); }
