#include "remote_proxy.h"

#include "wire_values.h"

#include <oleauto.h>
#include <varnel/com_object.h>

#include <algorithm>
#include <cstring>

namespace com {
namespace {

// Every object a reply names becomes a proxy here, used or not, so that each
// reference the server handed out comes back to it.
auto ProxyFrom(ClientConnection& connection)
{
    return [&connection](wire::ObjectId id, VARTYPE vt, IUnknown** object) {
        auto face = vt == VT_DISPATCH ? wire::Face::Dispatch : wire::Face::Unknown;
        *object = connection.TakeProxy(id, face)->Identity();
        return S_OK;
    };
}

auto IdOf(ClientConnection& connection)
{
    return [&connection](IUnknown* object, wire::ObjectId& id) {
        auto* proxy = dynamic_cast<RemoteProxy*>(object);
        if (!connection.Owns(proxy)) return DISP_E_TYPEMISMATCH;
        id = proxy->id();
        return S_OK;
    };
}

HRESULT CheckParams(const DISPPARAMS* params)
{
    if (!params || params->cNamedArgs > params->cArgs || (params->cArgs && !params->rgvarg)
        || (params->cNamedArgs && !params->rgdispidNamedArgs))
        return E_INVALIDARG;
    return S_OK;
}

BSTR NewBstr(const std::optional<std::u16string>& text)
{
    return text ? SysAllocStringLen(text->data(), static_cast<UINT>(text->size())) : nullptr;
}

void FillException(const wire::ExceptionInfo& from, EXCEPINFO& to)
{
    to = EXCEPINFO{};
    to.wCode = from.code;
    to.bstrSource = NewBstr(from.source);
    to.bstrDescription = NewBstr(from.description);
    to.bstrHelpFile = NewBstr(from.helpFile);
    to.dwHelpContext = from.helpContext;
    to.scode = from.scode;
}

// Puts a value the server left in a by-reference argument where the caller's
// argument points; `value` is given up to it.
void WriteBack(VARIANT& argument, VARIANT& value)
{
    if (argument.vt == (VT_BYREF | VT_VARIANT)) {
        VariantClear(argument.pvarVal);
        *argument.pvarVal = value;
    } else if (value.vt == VT_BSTR) {
        SysFreeString(*argument.pbstrVal);
        *argument.pbstrVal = value.bstrVal;
    } else if (value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN) {
        if (*argument.ppunkVal) (*argument.ppunkVal)->Release();
        *argument.ppunkVal = value.punkVal;
    } else {
        std::memcpy(argument.byref, &value.llVal, PlainValueSize(value.vt));
    }
    VariantInit(&value);
}

}  // namespace

RemoteProxy::RemoteProxy(std::shared_ptr<ClientConnection> connection, wire::ObjectId id)
    : connection_(std::move(connection)), id_(id)
{
}

wire::Request RemoteProxy::NewRequest(wire::Kind kind) const
{
    wire::Request request;
    request.kind = kind;
    request.object = id_;
    return request;
}

std::optional<wire::Face> RemoteProxy::KnownAnswer(REFIID riid)
{
    std::lock_guard lock(answersMutex_);
    auto found = std::find_if(answers_.begin(), answers_.end(), [&](const auto& answer) { return answer.first == riid; });
    if (found == answers_.end()) return std::nullopt;
    return found->second;
}

void RemoteProxy::Remember(REFIID riid, wire::Face face)
{
    if (KnownAnswer(riid)) return;
    std::lock_guard lock(answersMutex_);
    answers_.emplace_back(riid, face);
}

void RemoteProxy::Learn(wire::Face face)
{
    if (face == wire::Face::Dispatch) Remember(IID_IDispatch, face);
    if (face == wire::Face::ClassFactory) Remember(IID_IClassFactory, face);
}

void* RemoteProxy::Offer(wire::Face face)
{
    switch (face) {
    case wire::Face::Dispatch: return static_cast<IDispatch*>(this);
    case wire::Face::ClassFactory: return static_cast<IClassFactory*>(this);
    default: return Identity();
    }
}

HRESULT RemoteProxy::QueryInterface(REFIID riid, void** object)
try {
    if (!object) return E_POINTER;
    *object = nullptr;
    wire::Face face = wire::Face::Unknown;
    if (riid != IID_IUnknown) {
        auto known = KnownAnswer(riid);
        if (!known) {
            wire::Request request = NewRequest(wire::Kind::QueryInterface);
            request.iid = riid;
            wire::Reply reply;
            HRESULT hr = connection_->Call(request, reply);
            if (FAILED(hr)) return hr;
            bool offered = SUCCEEDED(reply.hr)
                && (reply.face == wire::Face::Dispatch || reply.face == wire::Face::ClassFactory);
            if (!offered && reply.hr != E_NOINTERFACE && FAILED(reply.hr)) return reply.hr;
            known = offered ? reply.face : wire::Face::None;
            Remember(riid, *known);
        }
        face = *known;
    }
    if (face == wire::Face::None) return E_NOINTERFACE;
    AddRef();
    *object = Offer(face);
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

ULONG RemoteProxy::AddRef()
{
    std::lock_guard lock(connection_->proxyMutex_);
    return ++references_;
}

ULONG RemoteProxy::Release()
{
    std::uint32_t remote = 0;
    {
        std::lock_guard lock(connection_->proxyMutex_);
        if (--references_ > 0) return references_;
        connection_->proxies_.erase(id_);
        remote = remoteReferences_;
    }
    auto connection = std::move(connection_);
    wire::ObjectId id = id_;
    delete this;
    connection->SendRelease(id, remote);
    return 0;
}

HRESULT RemoteProxy::GetTypeInfoCount(UINT* count)
try {
    if (!count) return E_POINTER;
    *count = 0;
    wire::Request request = NewRequest(wire::Kind::GetTypeInfoCount);
    wire::Reply reply;
    HRESULT hr = connection_->Call(request, reply);
    if (FAILED(hr)) return hr;
    *count = reply.number;
    return reply.hr;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT RemoteProxy::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo)
try {
    if (!typeInfo) return E_POINTER;
    *typeInfo = nullptr;
    wire::Request request = NewRequest(wire::Kind::GetTypeInfo);
    request.number = index;
    request.lcid = lcid;
    wire::Reply reply;
    HRESULT hr = connection_->Call(request, reply);
    return FAILED(hr) ? hr : reply.hr;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT RemoteProxy::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* dispIds)
try {
    if (count && (!names || !dispIds)) return E_INVALIDARG;
    wire::Request request = NewRequest(wire::Kind::GetIDsOfNames);
    request.iid = riid;
    request.lcid = lcid;
    for (UINT i = 0; i < count; ++i) {
        if (!names[i]) return E_INVALIDARG;
        request.names.emplace_back(names[i]);
    }
    wire::Reply reply;
    HRESULT hr = connection_->Call(request, reply);
    if (FAILED(hr)) return hr;
    if (reply.dispIds.size() != count) return RPC_E_INVALID_DATA;
    std::copy(reply.dispIds.begin(), reply.dispIds.end(), dispIds);
    return reply.hr;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT RemoteProxy::Invoke(DISPID dispId, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                            EXCEPINFO* excepInfo, UINT* argErr)
try {
    if (HRESULT hr = CheckParams(params); FAILED(hr)) return hr;
    if (result) VariantInit(result);
    wire::Request request = NewRequest(wire::Kind::Invoke);
    request.dispId = dispId;
    request.iid = riid;
    request.lcid = lcid;
    request.flags = flags;
    request.wants = static_cast<std::uint8_t>((result ? wire::kWantResult : 0) | (excepInfo ? wire::kWantExcepInfo : 0)
                                              | (argErr ? wire::kWantArgErr : 0));
    for (UINT i = 0; i < params->cArgs; ++i) {
        VARIANT view;
        wire::Value value;
        HRESULT hr = ViewValue(params->rgvarg[i], view);
        if (SUCCEEDED(hr)) hr = wire::VariantToValue(view, value, IdOf(*connection_));
        if (FAILED(hr)) {
            if (argErr) *argErr = i;
            return hr;
        }
        value.vt = params->rgvarg[i].vt;
        request.args.push_back(std::move(value));
    }
    request.namedArgs.assign(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs);

    wire::Reply reply;
    HRESULT hr = connection_->Call(request, reply);
    if (FAILED(hr)) return hr;

    // Take every object first; only then look whether the reply fits the call.
    VARIANT returned;
    hr = wire::ValueToVariant(reply.result, returned, ProxyFrom(*connection_));
    std::vector<VARIANT> written(reply.byRef.size());
    bool fits = SUCCEEDED(hr) && (result || returned.vt == VT_EMPTY);
    for (std::size_t i = 0; i < reply.byRef.size(); ++i) {
        // Plain names: clang 14 cannot capture a structured binding in a lambda.
        const std::uint32_t index = reply.byRef[i].index;
        const wire::Value& value = reply.byRef[i].value;
        fits = SUCCEEDED(wire::ValueToVariant(value, written[i], ProxyFrom(*connection_))) && fits
            && index < params->cArgs && params->rgvarg[index].vt == value.vt
            && std::count_if(reply.byRef.begin(), reply.byRef.end(), [&](const auto& b) { return b.index == index; }) == 1;
    }
    if (!fits) {
        VariantClear(&returned);
        for (auto& value : written) VariantClear(&value);
        return RPC_E_INVALID_DATA;
    }
    for (std::size_t i = 0; i < reply.byRef.size(); ++i) WriteBack(params->rgvarg[reply.byRef[i].index], written[i]);
    if (result) *result = returned;
    if (excepInfo && reply.hr == DISP_E_EXCEPTION && reply.exception) FillException(*reply.exception, *excepInfo);
    if (argErr && (reply.hr == DISP_E_TYPEMISMATCH || reply.hr == DISP_E_PARAMNOTFOUND)) *argErr = reply.number;
    return reply.hr;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT RemoteProxy::CreateInstance(IUnknown* outer, REFIID riid, void** object)
try {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    wire::Request request = NewRequest(wire::Kind::CreateInstance);
    request.iid = riid;
    wire::Reply reply;
    HRESULT hr = connection_->Call(request, reply);
    if (FAILED(hr)) return hr;
    if (!reply.object) return FAILED(reply.hr) ? reply.hr : RPC_E_INVALID_DATA;
    RemoteProxy* created = connection_->TakeProxy(reply.object, reply.face);
    if (FAILED(reply.hr) || reply.face == wire::Face::None) {
        created->Release();
        return FAILED(reply.hr) ? reply.hr : RPC_E_INVALID_DATA;
    }
    if (riid != IID_IUnknown) created->Remember(riid, reply.face);
    *object = created->Offer(riid == IID_IUnknown ? wire::Face::Unknown : reply.face);
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT RemoteProxy::LockServer(BOOL lock)
try {
    wire::Request request = NewRequest(wire::Kind::LockServer);
    request.number = lock ? 1 : 0;
    wire::Reply reply;
    HRESULT hr = connection_->Call(request, reply);
    return FAILED(hr) ? hr : reply.hr;
} catch (...) {
    return HresultFromCaughtException();
}

}  // namespace com
