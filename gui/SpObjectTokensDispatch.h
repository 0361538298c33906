// A collection of voice tokens, reached late-bound.
#pragma once

#include <afxdisp.h>

class SpObjectTokensDispatch : public COleDispatchDriver {
public:
    SpObjectTokensDispatch() = default;
    explicit SpObjectTokensDispatch(LPDISPATCH dispatch, BOOL autoRelease = TRUE)
        : COleDispatchDriver(dispatch, autoRelease) {}

    long GetCount();
    // A new reference to the token at a zero-based index; the caller owns it.
    LPDISPATCH Item(long index);
};
