#include "SpObjectTokensDispatch.h"

namespace {
constexpr DISPID kItem = 0;
constexpr DISPID kCount = 1;
}  // namespace

long SpObjectTokensDispatch::GetCount()
{
    LONG count = 0;
    InvokeHelper(kCount, DISPATCH_PROPERTYGET, VT_I4, &count, nullptr);
    return count;
}

LPDISPATCH SpObjectTokensDispatch::Item(long index)
{
    LPDISPATCH token = nullptr;
    static const BYTE params[] = VTS_I4;
    InvokeHelper(kItem, DISPATCH_METHOD, VT_DISPATCH, &token, params, index);
    return token;
}
