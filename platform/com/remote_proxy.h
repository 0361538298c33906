// What a client holds of an object of a local server: a proxy that counts its
// references here and carries IUnknown, IDispatch and IClassFactory calls over
// the connection (platform-internal).
#pragma once

#include "client_connection.h"

#include <oaidl.h>

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace com {

class RemoteProxy final : public IDispatch, public IClassFactory {
public:
    RemoteProxy(std::shared_ptr<ClientConnection> connection, wire::ObjectId id);

    // IUnknown gives the proxy's identity; IDispatch, a dispatch interface
    // the object answers with its IDispatch, and IClassFactory are asked of the
    // server (once: the answer is kept); anything else is E_NOINTERFACE.
    STDMETHOD(QueryInterface)(REFIID riid, void** object) override;
    STDMETHOD_(ULONG, AddRef)() override;
    // The last one gives the server's references back.
    STDMETHOD_(ULONG, Release)() override;

    STDMETHOD(GetTypeInfoCount)(UINT* count) override;
    STDMETHOD(GetTypeInfo)(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
    STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* dispIds) override;
    // Objects among the arguments must be proxies of this same server
    // connection: an object of the client cannot be called back, so it is
    // refused with DISP_E_TYPEMISMATCH and its index in *argErr.
    STDMETHOD(Invoke)(DISPID dispId, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excepInfo, UINT* argErr) override;

    // Aggregation does not cross processes: CLASS_E_NOAGGREGATION.
    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** object) override;
    STDMETHOD(LockServer)(BOOL lock) override;

    IUnknown* Identity() { return static_cast<IDispatch*>(this); }
    wire::ObjectId id() const { return id_; }
    ClientConnection& connection() const { return *connection_; }
    // Remembers what the server said the object is.
    void Learn(wire::Face face);
    // The interface pointer of a face, with a reference for the caller.
    void* Offer(wire::Face face);

private:
    friend class ClientConnection;
    ~RemoteProxy() = default;

    wire::Request NewRequest(wire::Kind kind) const;
    std::optional<wire::Face> KnownAnswer(REFIID riid);
    void Remember(REFIID riid, wire::Face face);

    std::shared_ptr<ClientConnection> connection_;
    const wire::ObjectId id_;
    // Both under the connection's proxy mutex.
    ULONG references_ = 1;
    std::uint32_t remoteReferences_ = 1;
    std::mutex answersMutex_;
    std::vector<std::pair<IID, wire::Face>> answers_;
};

}  // namespace com
