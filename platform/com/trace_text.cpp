#include "trace_text.h"

#include <cstdio>
#include <utility>

namespace com {

std::string ContextText(DWORD clsctx)
{
    static constexpr std::pair<DWORD, const char*> kNames[]{
        {CLSCTX_INPROC_SERVER, "INPROC_SERVER"}, {CLSCTX_INPROC_HANDLER, "INPROC_HANDLER"},
        {CLSCTX_LOCAL_SERVER, "LOCAL_SERVER"}, {CLSCTX_REMOTE_SERVER, "REMOTE_SERVER"}};
    std::string text;
    for (auto [bit, name] : kNames) {
        if (!(clsctx & bit)) continue;
        if (!text.empty()) text += '|';
        text += name;
        clsctx &= ~bit;
    }
    if (clsctx || text.empty()) {
        char rest[16];
        std::snprintf(rest, sizeof rest, "0x%X", static_cast<unsigned>(clsctx));
        text += text.empty() ? rest : std::string("|") + rest;
    }
    return text;
}

std::string RegistrationFlagsText(DWORD flags)
{
    if (flags == REGCLS_SINGLEUSE) return "SINGLEUSE";
    if (flags == REGCLS_MULTIPLEUSE) return "MULTIPLEUSE";
    return std::to_string(flags);
}

const char* KindText(wire::Kind kind)
{
    switch (kind) {
    case wire::Kind::Hello: return "Hello";
    case wire::Kind::Welcome: return "Welcome";
    case wire::Kind::QueryInterface: return "QueryInterface";
    case wire::Kind::Release: return "Release";
    case wire::Kind::GetTypeInfoCount: return "GetTypeInfoCount";
    case wire::Kind::GetTypeInfo: return "GetTypeInfo";
    case wire::Kind::GetIDsOfNames: return "GetIDsOfNames";
    case wire::Kind::Invoke: return "Invoke";
    case wire::Kind::CreateInstance: return "CreateInstance";
    case wire::Kind::LockServer: return "LockServer";
    case wire::Kind::Reply: return "Reply";
    }
    return "?";
}

}  // namespace com
