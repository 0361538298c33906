// The class object the runtime hands out for an in-process class of the class table.
#pragma once

#include <varnel/class_table.h>

namespace com {

class InprocFactory final : public ComObject<IClassFactory> {
public:
    explicit InprocFactory(CreateInstanceFn create) : create_(create) {}

    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** object) override;
    STDMETHOD(LockServer)(BOOL lock) override;

private:
    CreateInstanceFn create_;
};

}  // namespace com
