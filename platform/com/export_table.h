// The objects one client holds of a server, by the ids they travel as
// (platform-internal). Used on the serving apartment's thread only.
#pragma once

#include "wire_protocol.h"

#include <unknwn.h>

#include <map>

namespace com {

class ExportTable {
public:
    ExportTable() = default;
    ~ExportTable() { ReleaseAll(); }
    ExportTable(const ExportTable&) = delete;
    ExportTable& operator=(const ExportTable&) = delete;

    // The id of the object behind `object` (any of its interfaces), which gains
    // one more reference held for the client. 0 for a null object, or when the
    // object gives no identity.
    wire::ObjectId Export(IUnknown* object);
    // The object's identity (no reference added), or null for an unknown id.
    IUnknown* Find(wire::ObjectId id) const;
    // Gives back `count` of the client's references; false when the client
    // never held that many.
    bool Release(wire::ObjectId id, std::uint32_t count);
    void ReleaseAll();

private:
    struct Entry {
        IUnknown* identity;
        std::uint64_t references;
    };

    std::map<wire::ObjectId, Entry> byId_;
    std::map<IUnknown*, wire::ObjectId> byIdentity_;
    wire::ObjectId next_ = 1;  // ids are never given twice
};

}  // namespace com
