// The arguments of one Invoke on the server: built from the client's values,
// by-reference ones pointing at storage of their own, and the results taken
// back out (platform-internal).
#pragma once

#include "export_table.h"
#include "wire_protocol.h"

#include <oaidl.h>

#include <vector>

namespace com {

class ServerArguments {
public:
    ServerArguments() = default;
    ~ServerArguments();
    ServerArguments(const ServerArguments&) = delete;
    ServerArguments& operator=(const ServerArguments&) = delete;

    // Objects the client passes must be its own of this server's; an id the
    // client does not hold gives DISP_E_TYPEMISMATCH with its index in argErr.
    HRESULT Build(const wire::Request& request, const ExportTable& exports, std::uint32_t& argErr);
    DISPPARAMS* params() { return &params_; }
    // The call's result and the by-reference arguments as the call left
    // them; objects among them are handed to the client.
    HRESULT TakeResults(const VARIANT& result, ExportTable& exports, wire::Value& resultValue,
                        std::vector<wire::ByRefValue>& byRef);

private:
    std::vector<VARIANT> args_;
    std::vector<VARIANT> storage_;  // what by-reference arguments point at
    std::vector<DISPID> named_;
    DISPPARAMS params_{};
};

}  // namespace com
