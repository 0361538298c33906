#include "classes_value.h"
#include "guid_text.h"

#include <varnel/class_table.h>

#include <optional>
#include <string>

HRESULT CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid)
{
    if (!progId || !clsid) return E_INVALIDARG;
    auto ascii = com::AsciiFromWide(progId);
    if (!ascii || ascii->empty() || ascii->find('\\') != std::string::npos) return CO_E_CLASSSTRING;
    if (auto inproc = com::FindInprocClassByProgId(*ascii)) {
        *clsid = inproc->clsid;
        return S_OK;
    }
    auto text = com::ClassesDefaultValue(*ascii + "\\CLSID");
    if (!text) return CO_E_CLASSSTRING;
    auto parsed = ParseGuid(*text);
    if (!parsed || text->front() != '{') return CO_E_CLASSSTRING;
    *clsid = *parsed;
    return S_OK;
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId)
{
    if (!progId) return E_INVALIDARG;
    *progId = nullptr;
    std::optional<std::string> found;
    if (auto inproc = com::FindInprocClass(clsid); inproc && !inproc->progId.empty()) found = inproc->progId;
    if (!found) found = com::ClassesDefaultValue("CLSID\\" + FormatGuid(clsid) + "\\ProgID");
    if (!found || found->empty()) return REGDB_E_CLASSNOTREG;
    *progId = com::TaskMemWideFromAscii(*found);
    return *progId ? S_OK : E_OUTOFMEMORY;
}
