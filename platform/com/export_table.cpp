#include "export_table.h"

#include <utility>

namespace com {

wire::ObjectId ExportTable::Export(IUnknown* object)
{
    if (!object) return 0;
    IUnknown* identity = nullptr;
    if (FAILED(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity))) || !identity) return 0;
    if (auto found = byIdentity_.find(identity); found != byIdentity_.end()) {
        identity->Release();  // the entry holds one reference already
        ++byId_.at(found->second).references;
        return found->second;
    }
    wire::ObjectId id = next_++;
    byId_.emplace(id, Entry{identity, 1});
    byIdentity_.emplace(identity, id);
    return id;
}

IUnknown* ExportTable::Find(wire::ObjectId id) const
{
    auto found = byId_.find(id);
    return found == byId_.end() ? nullptr : found->second.identity;
}

bool ExportTable::Release(wire::ObjectId id, std::uint32_t count)
{
    auto found = byId_.find(id);
    if (found == byId_.end() || count == 0 || count > found->second.references) return false;
    found->second.references -= count;
    if (found->second.references > 0) return true;
    IUnknown* identity = found->second.identity;
    byIdentity_.erase(identity);
    byId_.erase(found);
    identity->Release();  // last: the object's destructor may call back into the runtime
    return true;
}

void ExportTable::ReleaseAll()
{
    auto entries = std::exchange(byId_, {});
    byIdentity_.clear();
    for (auto& [id, entry] : entries) entry.identity->Release();
}

}  // namespace com
