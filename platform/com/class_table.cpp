#include <varnel/class_table.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <vector>

namespace com {
namespace {

bool SameProgId(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

// A handful of classes: a vector searched linearly is plenty.
class ClassTable {
public:
    static ClassTable& Instance()
    {
        static ClassTable table;  // built on first use, so static registrars may run first
        return table;
    }

    void Add(const InprocClass& added)
    {
        RegisteredClass entry{added.clsid, added.progId ? added.progId : "", added.create};
        std::lock_guard lock(mutex_);
        auto it = FindLocked(added.clsid);
        if (it != classes_.end()) *it = std::move(entry);
        else classes_.push_back(std::move(entry));
    }

    bool Remove(REFCLSID clsid)
    {
        std::lock_guard lock(mutex_);
        auto it = FindLocked(clsid);
        if (it == classes_.end()) return false;
        classes_.erase(it);
        return true;
    }

    std::optional<RegisteredClass> ByClsid(REFCLSID clsid)
    {
        std::lock_guard lock(mutex_);
        auto it = FindLocked(clsid);
        if (it == classes_.end()) return std::nullopt;
        return *it;
    }

    std::optional<RegisteredClass> ByProgId(std::string_view progId)
    {
        if (progId.empty()) return std::nullopt;
        std::lock_guard lock(mutex_);
        auto it = std::find_if(classes_.begin(), classes_.end(),
                               [&](const RegisteredClass& c) { return SameProgId(c.progId, progId); });
        if (it == classes_.end()) return std::nullopt;
        return *it;
    }

private:
    std::vector<RegisteredClass>::iterator FindLocked(REFCLSID clsid)
    {
        return std::find_if(classes_.begin(), classes_.end(),
                            [&](const RegisteredClass& c) { return c.clsid == clsid; });
    }

    std::mutex mutex_;
    std::vector<RegisteredClass> classes_;
};

}  // namespace

std::optional<RegisteredClass> FindInprocClass(REFCLSID clsid) { return ClassTable::Instance().ByClsid(clsid); }

std::optional<RegisteredClass> FindInprocClassByProgId(std::string_view progId)
{
    return ClassTable::Instance().ByProgId(progId);
}

bool UnregisterInprocClass(REFCLSID clsid) { return ClassTable::Instance().Remove(clsid); }

}  // namespace com

void CoRegisterInprocClass(const InprocClass& inprocClass)
{
    if (!inprocClass.create) return;  // a class that cannot be created is no class
    com::ClassTable::Instance().Add(inprocClass);
}
