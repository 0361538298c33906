// COM for the calling thread, initialised for the life of the object, for
// narrate and automation-hold (Varnel's framework initialises its own).
#pragma once

#include <objbase.h>

class ComApartment {
public:
    ComApartment() : result_(CoInitialize(nullptr)) {}
    ~ComApartment() { Uninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    HRESULT result() const { return result_; }

    // Leaves COM before the object's end, for a caller whose last COM work must
    // be done first; only the first call uninitialises.
    void Uninitialize()
    {
        if (SUCCEEDED(result_)) CoUninitialize();
        result_ = CO_E_NOTINITIALIZED;
    }

private:
    HRESULT result_;
};
