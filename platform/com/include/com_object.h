// Implementation helpers for the platform's own COM classes (not a Windows header).
#pragma once

#include <unknwn.h>

#include <atomic>
#include <new>
#include <tuple>
#include <type_traits>

// ComObject<Self, Interfaces...>: reference count and QueryInterface for a class that
// implements the listed interfaces. The object deletes itself on its last Release.
template <class... Interfaces>
class ComObject : public Interfaces... {
public:
    STDMETHOD(QueryInterface)(REFIID riid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown)
            *object = static_cast<IUnknown*>(static_cast<First*>(this));
        else
            (FindInterface<Interfaces>(riid, object) || ...);
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs_; }
    STDMETHOD_(ULONG, Release)() override
    {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;
    // Further interfaces a class answers beyond its bases (for example an interface
    // it inherits through another one). Return the pointer or nullptr.
    virtual void* ExtraInterface(REFIID) { return nullptr; }

private:
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

    template <class I>
    bool FindInterface(REFIID riid, void** object)
    {
        if (riid == __uuidof(I)) {
            *object = static_cast<I*>(this);
            return true;
        }
        if (void* extra = ExtraInterface(riid); extra && !*object) {
            *object = extra;
            return true;
        }
        return false;
    }

    std::atomic<ULONG> refs_{1};
};

// Creates an object with one reference held by the caller, or nullptr when memory runs out.
template <class T, class... Args>
T* NewComObject(Args&&... args)
{
    return new (std::nothrow) T(std::forward<Args>(args)...);
}
