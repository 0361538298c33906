#include "guid_text.h"

#include <objbase.h>

namespace com {

std::optional<std::string> AsciiFromWide(LPCOLESTR text)
{
    std::string ascii;
    for (; *text; ++text) {
        if (*text >= 0x80) return std::nullopt;
        ascii.push_back(static_cast<char>(*text));
    }
    return ascii;
}

LPOLESTR TaskMemWideFromAscii(const std::string& text)
{
    auto* wide = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (!wide) return nullptr;
    for (std::size_t i = 0; i < text.size(); ++i) wide[i] = static_cast<unsigned char>(text[i]);
    wide[text.size()] = 0;
    return wide;
}

}  // namespace com

int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int size)
{
    std::string text = FormatGuid(guid);
    int needed = static_cast<int>(text.size()) + 1;
    if (!buffer || size < needed) return 0;
    for (std::size_t i = 0; i < text.size(); ++i) buffer[i] = static_cast<OLECHAR>(text[i]);
    buffer[text.size()] = 0;
    return needed;
}

HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* text)
{
    if (!text) return E_INVALIDARG;
    *text = com::TaskMemWideFromAscii(FormatGuid(clsid));
    return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT StringFromIID(REFIID iid, LPOLESTR* text) { return StringFromCLSID(iid, text); }

HRESULT IIDFromString(LPCOLESTR text, IID* iid)
{
    if (!iid) return E_INVALIDARG;
    if (!text) {
        *iid = IID_NULL;
        return S_OK;
    }
    auto ascii = com::AsciiFromWide(text);
    std::optional<GUID> parsed;
    if (ascii && !ascii->empty() && ascii->front() == '{') parsed = ParseGuid(*ascii);
    if (!parsed) return E_INVALIDARG;
    *iid = *parsed;
    return S_OK;
}

HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid)
{
    if (!clsid) return E_INVALIDARG;
    if (!text) {
        *clsid = CLSID_NULL;
        return S_OK;
    }
    auto ascii = com::AsciiFromWide(text);
    if (ascii && !ascii->empty() && ascii->front() == '{') {
        auto parsed = ParseGuid(*ascii);
        if (!parsed) return CO_E_CLASSSTRING;
        *clsid = *parsed;
        return S_OK;
    }
    CLSID found;
    if (FAILED(CLSIDFromProgID(text, &found))) return CO_E_CLASSSTRING;
    *clsid = found;
    return S_OK;
}
