#include "SpObjectTokenDispatch.h"

namespace {
constexpr DISPID kGetDescription = 4;
}  // namespace

CString SpObjectTokenDispatch::GetDescription(long locale)
{
    CString description;
    static const BYTE params[] = VTS_I4;
    InvokeHelper(kGetDescription, DISPATCH_METHOD, VT_BSTR, &description, params, locale);
    return description;
}
