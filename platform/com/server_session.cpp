#include "server_session.h"

#include "class_registrations.h"
#include "server_arguments.h"
#include "serving_apartment.h"
#include "trace_text.h"

#include <oleauto.h>
#include <varnel/debug_channel.h>

#include <algorithm>
#include <utility>

#include <unistd.h>

namespace com {
namespace {

template <class Interface>
Interface* QueryFor(IUnknown* object, REFIID iid)
{
    Interface* result = nullptr;
    if (FAILED(object->QueryInterface(iid, reinterpret_cast<void**>(&result)))) return nullptr;
    return result;
}

// What the client's proxy may offer for a pointer the object gave for `iid`:
// the proxy carries IUnknown, IClassFactory and IDispatch, including any
// dispatch interface for which the object hands out its IDispatch.
wire::Face FaceOf(IUnknown* object, IUnknown* pointer, REFIID iid)
{
    if (iid == IID_IUnknown) return wire::Face::Unknown;
    if (iid == IID_IClassFactory) return wire::Face::ClassFactory;
    IDispatch* dispatch = QueryFor<IDispatch>(object, IID_IDispatch);
    if (!dispatch) return wire::Face::None;
    bool same = static_cast<IUnknown*>(dispatch) == pointer;
    dispatch->Release();
    return same ? wire::Face::Dispatch : wire::Face::None;
}

std::optional<std::u16string> TextOf(BSTR text)
{
    if (!text) return std::nullopt;
    return std::u16string(text, SysStringLen(text));
}

wire::ExceptionInfo TakeException(EXCEPINFO& info)
{
    if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    wire::ExceptionInfo taken{info.wCode, TextOf(info.bstrSource), TextOf(info.bstrDescription),
                              TextOf(info.bstrHelpFile), info.dwHelpContext, info.scode};
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    info = EXCEPINFO{};
    return taken;
}

}  // namespace

ServerSession::ServerSession(std::shared_ptr<ServerLink> link, std::weak_ptr<ServingApartment> apartment)
    : link_(std::move(link)), apartment_(std::move(apartment))
{
}

ServerSession::~ServerSession() = default;

void ServerSession::Welcome(Registration& registration)
{
    IUnknown* object = registration.AddRefObject();
    if (!object) return Refuse();  // revoked before the client could be served
    wire::ObjectId id = exports_.Export(object);
    object->Release();
    if (!id) return Refuse();
    VARNEL_TRACE(Com, "client welcomed: class object %llu", static_cast<unsigned long long>(id));
    link_->Send(wire::EncodeWelcome({static_cast<std::uint32_t>(getpid()), id}));
}

void ServerSession::Handle(const wire::Request& request)
{
    if (disconnected_) return;  // what it held is released already
    if (request.kind == wire::Kind::Release) {
        VARNEL_TRACE(Com, "request Release object %llu, %u references", static_cast<unsigned long long>(request.object),
                     static_cast<unsigned>(request.number));
        if (!exports_.Release(request.object, request.number)) Refuse();
        return;
    }
    wire::Reply reply;
    if (!exports_.Find(request.object)) {
        reply.hr = CO_E_OBJNOTCONNECTED;
    } else {
        switch (request.kind) {
        case wire::Kind::QueryInterface: reply = QueryInterface(request); break;
        case wire::Kind::GetTypeInfoCount: reply = GetTypeInfoCount(request); break;
        case wire::Kind::GetTypeInfo: reply = GetTypeInfo(request); break;
        case wire::Kind::GetIDsOfNames: reply = GetIDsOfNames(request); break;
        case wire::Kind::Invoke: reply = Invoke(request); break;
        case wire::Kind::CreateInstance: reply = CreateInstance(request); break;
        case wire::Kind::LockServer: reply = LockServer(request); break;
        default: return Refuse();
        }
    }
    if (disconnected_) return;  // the call ended the apartment or the client
    reply.callId = request.callId;
    VARNEL_TRACE(Com, "request %s object %llu -> 0x%08X", KindText(request.kind),
                 static_cast<unsigned long long>(request.object), static_cast<unsigned>(reply.hr));
    link_->Send(wire::EncodeReply(reply, request.kind));
}

void ServerSession::Disconnect()
{
    if (disconnected_) return;
    disconnected_ = true;
    VARNEL_TRACE(Com, "client session ends: releasing what it held");
    link_->Close();
    for (IClassFactory* factory : std::exchange(locks_, {})) {
        factory->LockServer(FALSE);
        factory->Release();
    }
    exports_.ReleaseAll();
    if (auto apartment = apartment_.lock()) apartment->RemoveSession(this);
}

void ServerSession::Refuse() { Disconnect(); }

wire::Reply ServerSession::QueryInterface(const wire::Request& request)
{
    wire::Reply reply;
    IUnknown* object = exports_.Find(request.object);
    IUnknown* pointer = nullptr;
    reply.hr = object->QueryInterface(request.iid, reinterpret_cast<void**>(&pointer));
    if (FAILED(reply.hr)) return reply;
    reply.face = pointer ? FaceOf(object, pointer, request.iid) : wire::Face::None;
    if (pointer) pointer->Release();
    if (reply.face == wire::Face::None) reply.hr = E_NOINTERFACE;  // nothing the proxy could offer
    return reply;
}

// Runs `call` on the request's object as IDispatch; E_NOINTERFACE without one.
template <class Call>
wire::Reply ServerSession::WithDispatch(const wire::Request& request, Call&& call)
{
    wire::Reply reply;
    IDispatch* dispatch = QueryFor<IDispatch>(exports_.Find(request.object), IID_IDispatch);
    if (!dispatch) {
        reply.hr = E_NOINTERFACE;
        return reply;
    }
    call(dispatch, reply);
    dispatch->Release();
    return reply;
}

wire::Reply ServerSession::GetTypeInfoCount(const wire::Request& request)
{
    return WithDispatch(request, [](IDispatch* dispatch, wire::Reply& reply) {
        UINT count = 0;
        reply.hr = dispatch->GetTypeInfoCount(&count);
        reply.number = count;
    });
}

wire::Reply ServerSession::GetTypeInfo(const wire::Request& request)
{
    return WithDispatch(request, [&](IDispatch* dispatch, wire::Reply& reply) {
        ITypeInfo* typeInfo = nullptr;
        reply.hr = dispatch->GetTypeInfo(request.number, request.lcid, &typeInfo);
        // Type information does not travel: there are no type libraries here.
        if (SUCCEEDED(reply.hr)) {
            if (typeInfo) reinterpret_cast<IUnknown*>(typeInfo)->Release();
            reply.hr = E_NOTIMPL;
        }
    });
}

wire::Reply ServerSession::GetIDsOfNames(const wire::Request& request)
{
    return WithDispatch(request, [&](IDispatch* dispatch, wire::Reply& reply) {
        std::vector<std::u16string> names = request.names;  // terminated copies the callee may not change
        std::vector<LPOLESTR> pointers;
        for (auto& name : names) pointers.push_back(name.data());
        reply.dispIds.assign(names.size(), DISPID_UNKNOWN);
        reply.hr = dispatch->GetIDsOfNames(request.iid, pointers.data(), static_cast<UINT>(pointers.size()),
                                           request.lcid, reply.dispIds.data());
    });
}

wire::Reply ServerSession::Invoke(const wire::Request& request)
{
    return WithDispatch(request, [&](IDispatch* dispatch, wire::Reply& reply) {
        ServerArguments arguments;
        reply.hr = arguments.Build(request, exports_, reply.number);
        if (FAILED(reply.hr)) return;
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO exception{};
        UINT argErr = 0;
        bool wantsException = request.wants & wire::kWantExcepInfo;
        reply.hr = dispatch->Invoke(request.dispId, request.iid, request.lcid, request.flags, arguments.params(),
                                    (request.wants & wire::kWantResult) ? &result : nullptr,
                                    wantsException ? &exception : nullptr,
                                    (request.wants & wire::kWantArgErr) ? &argErr : nullptr);
        reply.number = argErr;
        if (wantsException && reply.hr == DISP_E_EXCEPTION) reply.exception = TakeException(exception);
        // A client gone during the call gets nothing more of ours.
        if (!disconnected_) {
            HRESULT carried = arguments.TakeResults(result, exports_, reply.result, reply.byRef);
            if (FAILED(carried) && SUCCEEDED(reply.hr)) reply.hr = carried;
        }
        VariantClear(&result);
    });
}

wire::Reply ServerSession::CreateInstance(const wire::Request& request)
{
    wire::Reply reply;
    IClassFactory* factory = QueryFor<IClassFactory>(exports_.Find(request.object), IID_IClassFactory);
    if (!factory) {
        reply.hr = E_NOINTERFACE;
        return reply;
    }
    IUnknown* created = nullptr;
    reply.hr = factory->CreateInstance(nullptr, request.iid, reinterpret_cast<void**>(&created));
    factory->Release();
    if (FAILED(reply.hr) || !created) {
        if (SUCCEEDED(reply.hr)) reply.hr = E_UNEXPECTED;
        return reply;
    }
    reply.face = FaceOf(created, created, request.iid);
    if (reply.face == wire::Face::None || disconnected_) reply.hr = E_NOINTERFACE;
    else reply.object = exports_.Export(created);
    if (SUCCEEDED(reply.hr) && !reply.object) reply.hr = E_NOINTERFACE;
    created->Release();
    return reply;
}

wire::Reply ServerSession::LockServer(const wire::Request& request)
{
    wire::Reply reply;
    IClassFactory* factory = QueryFor<IClassFactory>(exports_.Find(request.object), IID_IClassFactory);
    if (!factory) {
        reply.hr = E_NOINTERFACE;
        return reply;
    }
    if (request.number) {
        reply.hr = factory->LockServer(TRUE);
        if (SUCCEEDED(reply.hr)) locks_.push_back(factory);  // keeps the reference
        else factory->Release();
        return reply;
    }
    // Only a lock this client took can be undone: it cannot unlock others'.
    auto held = std::find(locks_.begin(), locks_.end(), factory);
    if (held != locks_.end()) {
        locks_.erase(held);
        reply.hr = factory->LockServer(FALSE);
        factory->Release();  // the lock's reference
    }
    factory->Release();
    return reply;
}

}  // namespace com
