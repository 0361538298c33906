// CComPtr: a counted reference to a COM interface.
#pragma once

#include <objbase.h>

#include <utility>

template <class T>
class CComPtr {
public:
    CComPtr() noexcept = default;
    CComPtr(std::nullptr_t) noexcept {}
    CComPtr(T* p) noexcept : p(p) { if (p) p->AddRef(); }
    CComPtr(const CComPtr& other) noexcept : CComPtr(other.p) {}
    CComPtr(CComPtr&& other) noexcept : p(std::exchange(other.p, nullptr)) {}
    ~CComPtr() { Release(); }

    CComPtr& operator=(const CComPtr& other) noexcept { return *this = other.p; }
    CComPtr& operator=(CComPtr&& other) noexcept
    {
        if (this != &other) {
            Release();
            p = std::exchange(other.p, nullptr);
        }
        return *this;
    }
    CComPtr& operator=(T* other) noexcept
    {
        if (other) other->AddRef();
        Release();
        p = other;
        return *this;
    }

    T* operator->() const noexcept { return p; }
    operator T*() const noexcept { return p; }
    T** operator&() noexcept { return &p; }  // for out-parameters; must be empty
    explicit operator bool() const noexcept { return p != nullptr; }

    void Release() noexcept
    {
        if (T* old = std::exchange(p, nullptr)) old->Release();
    }
    void Attach(T* other) noexcept { Release(); p = other; }
    T* Detach() noexcept { return std::exchange(p, nullptr); }

    HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer = nullptr, DWORD clsctx = CLSCTX_ALL)
    {
        return ::CoCreateInstance(clsid, outer, clsctx, __uuidof(T), reinterpret_cast<void**>(&p));
    }
    template <class Q>
    HRESULT QueryInterface(Q** out) const
    {
        return p ? p->QueryInterface(__uuidof(Q), reinterpret_cast<void**>(out)) : E_POINTER;
    }

    T* p = nullptr;
};
