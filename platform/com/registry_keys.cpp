#include "registry_keys.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>

namespace com::registry {
namespace {

constexpr std::size_t kLongestKeyName = 255;
constexpr std::string_view kUserClasses = "software\\classes";

class HandleTable {
public:
    static HandleTable& Instance()
    {
        static HandleTable table;
        return table;
    }

    HKEY Add(const KeyRef& ref)
    {
        auto owned = std::unique_ptr<KeyRef>(new (std::nothrow) KeyRef(ref));
        if (!owned) return nullptr;
        HKEY handle = reinterpret_cast<HKEY>(owned.get());
        std::lock_guard lock(mutex_);
        open_.emplace(handle, std::move(owned));
        return handle;
    }

    bool Remove(HKEY handle)
    {
        std::lock_guard lock(mutex_);
        return open_.erase(handle) > 0;
    }

    std::optional<KeyRef> Find(HKEY handle)
    {
        std::lock_guard lock(mutex_);
        auto it = open_.find(handle);
        if (it == open_.end()) return std::nullopt;
        return *it->second;
    }

private:
    std::mutex mutex_;
    std::unordered_map<HKEY, std::unique_ptr<KeyRef>> open_;
};

std::optional<KeyRef> Predefined(HKEY key)
{
    if (key == HKEY_CLASSES_ROOT) return KeyRef{HiveId::Classes, "", KEY_ALL_ACCESS};
    if (key == HKEY_CURRENT_USER) return KeyRef{HiveId::User, "", KEY_ALL_ACCESS};
    if (key == HKEY_LOCAL_MACHINE) return KeyRef{HiveId::Machine, "", KEY_ALL_ACCESS};
    return std::nullopt;
}

bool IsValidPath(std::string_view path)
{
    if (path.empty()) return true;
    std::size_t start = 0;
    while (true) {
        std::size_t end = path.find('\\', start);
        std::size_t length = (end == std::string_view::npos ? path.size() : end) - start;
        if (length == 0 || length > kLongestKeyName) return false;
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

}  // namespace

std::optional<KeyRef> ResolveKey(HKEY key)
{
    if (auto root = Predefined(key)) return root;
    return HandleTable::Instance().Find(key);
}

HKEY OpenHandle(const KeyRef& ref) { return HandleTable::Instance().Add(ref); }

bool CloseHandle(HKEY key)
{
    if (Predefined(key)) return true;
    return HandleTable::Instance().Remove(key);
}

std::optional<KeyRef> SubKey(const KeyRef& base, std::string_view subKey, REGSAM access)
{
    if (!IsValidPath(subKey)) return std::nullopt;
    std::string path = base.path;
    if (!subKey.empty()) path = path.empty() ? std::string(subKey) : path + "\\" + std::string(subKey);
    if (base.hive == HiveId::User) {
        std::string folded = Fold(path);
        if (folded == kUserClasses) return KeyRef{HiveId::Classes, "", access};
        if (folded.size() > kUserClasses.size() && folded.starts_with(kUserClasses)
            && folded[kUserClasses.size()] == '\\')
            return KeyRef{HiveId::Classes, path.substr(kUserClasses.size() + 1), access};
    }
    return KeyRef{base.hive, path, access};
}

}  // namespace com::registry
