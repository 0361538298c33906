// Implementation helpers for the platform's own COM classes (not a Windows header).
#pragma once

#include <unknwn.h>

#include <atomic>
#include <new>
#include <tuple>
#include <type_traits>
#include <utility>

// No C++ exception leaves a COM method: a method whose body can throw (it
// allocates, or calls what does) ends in
//     catch (...) { return HresultFromCaughtException(); }
// Inside a catch handler: E_OUTOFMEMORY for std::bad_alloc, E_UNEXPECTED otherwise.
HRESULT HresultFromCaughtException() noexcept;

// ComObject<Interfaces...>: reference count and QueryInterface for a class that
// implements the listed interfaces. QueryInterface answers IUnknown, each listed
// interface and every interface up its chain as DECLARE_INTERFACE_BASE names it.
// The object starts with one reference and deletes itself on its last Release.
template <class... Interfaces>
class ComObject : public Interfaces... {
    static_assert(sizeof...(Interfaces) > 0, "a COM object implements at least one interface");

public:
    STDMETHOD(QueryInterface)(REFIID riid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown)
            *object = static_cast<IUnknown*>(static_cast<First*>(this));
        else
            (AnswerChain<Interfaces, Interfaces>(riid, object) || ...);
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    STDMETHOD_(ULONG, Release)() override
    {
        ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }

    // The object's identity, the pointer QueryInterface gives for IUnknown.
    IUnknown* Identity() noexcept { return static_cast<First*>(this); }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

private:
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

    // Walks from the listed interface up to (not including) IUnknown.
    template <class Listed, class Current>
    bool AnswerChain(REFIID riid, void** object)
    {
        if constexpr (std::is_same_v<Current, IUnknown>) {
            return false;
        } else {
            if (riid == __uuidof(Current)) {
                *object = static_cast<Current*>(static_cast<Listed*>(this));
                return true;
            }
            return AnswerChain<Listed, typename InterfaceBase<Current>::type>(riid, object);
        }
    }

    std::atomic<ULONG> refs_{1};
};

// Creates an object with one reference held by the caller, or nullptr when memory runs out.
template <class T, class... Args>
T* NewComObject(Args&&... args)
{
    return new (std::nothrow) T(std::forward<Args>(args)...);
}

// Creates an object and hands out the interface riid of it: the usual body of a class's
// creation function. The caller's reference is the only one left on success.
template <class T, class... Args>
HRESULT CreateComObject(REFIID riid, void** object, Args&&... args)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    T* created = NewComObject<T>(std::forward<Args>(args)...);
    if (!created) return E_OUTOFMEMORY;
    HRESULT hr = created->QueryInterface(riid, object);
    created->Release();
    return hr;
}
