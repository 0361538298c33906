#include "server_arguments.h"

#include "wire_values.h"

#include <oleauto.h>

namespace com {
namespace {

auto ObjectFrom(const ExportTable& exports)
{
    return [&exports](wire::ObjectId id, VARTYPE vt, IUnknown** object) {
        IUnknown* identity = exports.Find(id);
        if (!identity) return DISP_E_TYPEMISMATCH;
        REFIID iid = vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown;
        HRESULT hr = identity->QueryInterface(iid, reinterpret_cast<void**>(object));
        return FAILED(hr) ? DISP_E_TYPEMISMATCH : S_OK;
    };
}

auto ObjectTo(ExportTable& exports)
{
    return [&exports](IUnknown* object, wire::ObjectId& id) {
        id = exports.Export(object);
        return id ? S_OK : E_NOINTERFACE;
    };
}

}  // namespace

ServerArguments::~ServerArguments()
{
    for (auto& arg : args_) VariantClear(&arg);
    for (auto& stored : storage_) VariantClear(&stored);
}

HRESULT ServerArguments::Build(const wire::Request& request, const ExportTable& exports, std::uint32_t& argErr)
{
    std::size_t count = request.args.size();
    args_.resize(count);
    storage_.resize(count);  // never resized again: arguments point into it
    for (std::size_t i = 0; i < count; ++i) {
        VariantInit(&args_[i]);
        VariantInit(&storage_[i]);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const wire::Value& value = request.args[i];
        bool byRef = value.vt & VT_BYREF;
        HRESULT hr = wire::ValueToVariant(value, byRef ? storage_[i] : args_[i], ObjectFrom(exports));
        if (FAILED(hr)) {
            argErr = static_cast<std::uint32_t>(i);
            return hr;
        }
        if (!byRef) continue;
        args_[i].vt = value.vt;
        if (value.vt == (VT_BYREF | VT_VARIANT)) args_[i].pvarVal = &storage_[i];
        else args_[i].byref = &storage_[i].llVal;  // every member of the union starts here
    }
    named_ = request.namedArgs;
    params_.rgvarg = args_.empty() ? nullptr : args_.data();
    params_.cArgs = static_cast<UINT>(count);
    params_.rgdispidNamedArgs = named_.empty() ? nullptr : named_.data();
    params_.cNamedArgs = static_cast<UINT>(named_.size());
    return S_OK;
}

HRESULT ServerArguments::TakeResults(const VARIANT& result, ExportTable& exports, wire::Value& resultValue,
                                     std::vector<wire::ByRefValue>& byRef)
{
    HRESULT hr = (result.vt & VT_BYREF) ? DISP_E_BADVARTYPE : wire::VariantToValue(result, resultValue, ObjectTo(exports));
    for (std::size_t i = 0; i < args_.size(); ++i) {
        if (!(args_[i].vt & VT_BYREF)) continue;
        wire::Value value;
        HRESULT carried = (storage_[i].vt & VT_BYREF) ? DISP_E_BADVARTYPE
                                                       : wire::VariantToValue(storage_[i], value, ObjectTo(exports));
        if (FAILED(carried)) {
            hr = FAILED(hr) ? hr : carried;
            continue;
        }
        value.vt = args_[i].vt;
        byRef.push_back({static_cast<std::uint32_t>(i), std::move(value)});
    }
    return hr;  // objects handed out travel even so: the client takes every one
}

}  // namespace com
