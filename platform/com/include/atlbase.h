// CComPtr: a counted reference to a COM interface.
#pragma once

#include <objbase.h>

#include <memory>
#include <type_traits>
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
        if (this != std::addressof(other)) {
            Release();
            p = std::exchange(other.p, nullptr);
        }
        return *this;
    }
    CComPtr& operator=(T* other) noexcept
    {
        if (other) other->AddRef();  // first, so assigning the held pointer is safe
        Release();
        p = other;
        return *this;
    }
    CComPtr& operator=(std::nullptr_t) noexcept
    {
        Release();
        return *this;
    }

    T* operator->() const noexcept { return p; }
    operator T*() const noexcept { return p; }
    // For out-parameters. A held reference is released first, so filling a non-empty
    // pointer cannot leak what it held.
    T** operator&() noexcept
    {
        Release();
        return &p;
    }
    bool operator!() const noexcept { return p == nullptr; }

    void Release() noexcept
    {
        if (T* old = std::exchange(p, nullptr)) old->Release();
    }
    // Takes over a reference the caller owns (no AddRef).
    void Attach(T* other) noexcept
    {
        Release();
        p = other;
    }
    // Hands the reference to the caller (no Release).
    T* Detach() noexcept { return std::exchange(p, nullptr); }
    HRESULT CopyTo(T** out) const noexcept
    {
        if (!out) return E_POINTER;
        *out = p;
        if (p) p->AddRef();
        return S_OK;
    }

    HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer = nullptr, DWORD clsctx = CLSCTX_ALL)
    {
        Release();
        return ::CoCreateInstance(clsid, outer, clsctx, __uuidof(T), reinterpret_cast<void**>(&p));
    }
    template <class Q>
    HRESULT QueryInterface(Q** out) const
    {
        if (!out) return E_POINTER;
        if (!p) {
            *out = nullptr;
            return E_POINTER;
        }
        return p->QueryInterface(__uuidof(Q), reinterpret_cast<void**>(out));
    }

    T* p = nullptr;
};

// A counted reference obtained by QueryInterface from any interface of an object.
template <class T>
class CComQIPtr : public CComPtr<T> {
public:
    CComQIPtr() noexcept = default;
    CComQIPtr(T* other) noexcept : CComPtr<T>(other) {}
    template <class U>
        requires(!std::is_same_v<U, T>)
    explicit CComQIPtr(U* other) noexcept
    {
        if (other) other->QueryInterface(__uuidof(T), reinterpret_cast<void**>(&this->p));
    }
    CComQIPtr& operator=(T* other) noexcept
    {
        CComPtr<T>::operator=(other);
        return *this;
    }
};
