// One voice token, reached late-bound.
#pragma once

#include <afxdisp.h>

class SpObjectTokenDispatch : public COleDispatchDriver {
public:
    SpObjectTokenDispatch() = default;
    explicit SpObjectTokenDispatch(LPDISPATCH dispatch, BOOL autoRelease = TRUE)
        : COleDispatchDriver(dispatch, autoRelease) {}

    CString GetDescription(long locale);
};
