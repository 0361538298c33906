#include <oleauto.h>

namespace {

// Index in rgvarg of the argument DispGetParam asks for, or nothing.
bool FindArgument(const DISPPARAMS& params, UINT position, UINT& index)
{
    UINT positional = params.cArgs - params.cNamedArgs;
    if (position < positional) {
        index = params.cArgs - 1 - position;  // rgvarg holds the arguments last first
        return true;
    }
    for (UINT i = 0; i < params.cNamedArgs; ++i) {
        if (params.rgdispidNamedArgs[i] == static_cast<DISPID>(position)) {
            index = i;
            return true;
        }
    }
    return false;
}

}  // namespace

HRESULT DispGetParam(DISPPARAMS* params, UINT position, VARTYPE vt, VARIANT* result, UINT* argErr)
{
    if (!params || !result) return E_INVALIDARG;
    if (params->cNamedArgs > params->cArgs || (params->cArgs && !params->rgvarg)
        || (params->cNamedArgs && !params->rgdispidNamedArgs))
        return E_INVALIDARG;
    VariantInit(result);
    UINT index = 0;
    if (!FindArgument(*params, position, index)) return DISP_E_PARAMNOTFOUND;
    HRESULT hr = VariantChangeType(result, &params->rgvarg[index], 0, vt);
    if (FAILED(hr) && argErr) *argErr = index;
    return hr;
}
