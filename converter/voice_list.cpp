#include "voice_list.h"

#include "failure_line.h"
#include <sphelper.h>

#include <atlbase.h>
#include <com_apartment.h>
#include <sapi.h>
#include <winnls.h>

#include <string>

namespace narrate {
namespace {

// A description as the console shows it; characters the code page lacks become '?'.
std::string AnsiText(LPCWSTR wide)
{
    int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return "?";
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text.data(), size, nullptr, nullptr);
    text.resize(static_cast<std::size_t>(size - 1));
    return text;
}

// The token's description, from its default value.
std::string Description(ISpObjectToken* token)
{
    LPWSTR description = nullptr;
    if (FAILED(token->GetStringValue(nullptr, &description)) || !description) return "";
    std::string text = AnsiText(description);
    CoTaskMemFree(description);
    return text;
}

}  // namespace

bool PrintVoiceList(std::FILE* out)
{
    ComApartment com;
    if (FAILED(com.result())) {
        ReportFailure("COM could not be initialised: %s", InWords(com.result()).c_str());
        return false;
    }
    CComPtr<IEnumSpObjectTokens> tokens;
    HRESULT hr = SpEnumTokens(SPCAT_VOICES, nullptr, nullptr, &tokens);
    ULONG count = 0;
    if (SUCCEEDED(hr)) hr = tokens->GetCount(&count);
    // The same walk as a run's: the n-th token fetched is voice number n.
    for (ULONG number = 1; SUCCEEDED(hr) && number <= count; ++number) {
        CComPtr<ISpObjectToken> token;
        hr = tokens->Next(1, &token, nullptr);
        if (SUCCEEDED(hr) && token) std::fprintf(out, "%lu\t%s\n", static_cast<unsigned long>(number), Description(token).c_str());
    }
    if (FAILED(hr)) {
        ReportFailure("the installed voices could not be listed: %s", InWords(hr).c_str());
        return false;
    }
    if (std::fflush(out) != 0 || std::ferror(out)) {
        ReportFailure("the voice list could not be written");
        return false;
    }
    return true;
}

}  // namespace narrate
