// COM for the main thread, the apartment the held object belongs to.
#pragma once

#include <objbase.h>

namespace hold {

class ComApartment {
public:
    ComApartment() : result_(CoInitialize(nullptr)) {}
    ~ComApartment() { Uninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    HRESULT result() const { return result_; }
    void Uninitialize()
    {
        if (SUCCEEDED(result_)) CoUninitialize();
        result_ = CO_E_NOTINITIALIZED;
    }

private:
    HRESULT result_;
};

}  // namespace hold
