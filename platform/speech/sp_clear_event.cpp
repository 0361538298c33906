#include <sphelper.h>

void SpClearEvent(SPEVENT* pe)
{
    if (!pe) return;
    if (pe->elParamType == SPET_LPARAM_IS_STRING || pe->elParamType == SPET_LPARAM_IS_POINTER)
        CoTaskMemFree(reinterpret_cast<void*>(pe->lParam));
    else if (pe->elParamType == SPET_LPARAM_IS_OBJECT || pe->elParamType == SPET_LPARAM_IS_TOKEN)
        if (auto* object = reinterpret_cast<IUnknown*>(pe->lParam)) object->Release();
    *pe = SPEVENT{};
}
