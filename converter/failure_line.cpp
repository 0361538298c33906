#include "failure_line.h"

#include <failure_report.h>
#include <failure_words.h>

#include <cctype>
#include <cstdarg>

namespace narrate {

void ReportFailure(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteFailureLineV("narrate", format, args);
    va_end(args);
}

std::string InWords(HRESULT hr)
{
    std::string words = FailureInWords(hr);
    // Lower case mid-sentence, unless the word is an abbreviation ("COM", "RPC").
    if (words.size() > 1 && std::isupper(static_cast<unsigned char>(words[0])) &&
        !std::isupper(static_cast<unsigned char>(words[1])))
        words[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(words[0])));
    return words;
}

}  // namespace narrate
