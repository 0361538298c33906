#include "resources.h"

#include <charconv>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <varnel/codepage.h>

namespace afx_detail {

namespace {

// A deep copy of a registered template, pointing into its own strings.
struct StoredDialog {
    AFX_DLGTEMPLATE view{};
    std::vector<AFX_DLGITEM> items;
    std::deque<std::string> strings;

    const char* Keep(const char* text)
    {
        if (!text) return nullptr;
        return strings.emplace_back(text).c_str();
    }
};

struct Registry {
    std::mutex lock;
    std::map<UINT, StoredDialog*> dialogs;
    std::map<UINT, std::string> strings;  // UTF-8
    std::map<UINT, IconResource*> icons;
    // Replaced resources stay alive: handles to them may still be in use.
    std::vector<std::unique_ptr<StoredDialog>> dialogStore;
    std::vector<std::unique_ptr<IconResource>> iconStore;
};

Registry& Resources()
{
    static Registry registry;
    return registry;
}

}  // namespace

UINT ResourceIdFromName(LPCTSTR name)
{
    if (!name) return 0;
    if (IS_INTRESOURCE(name)) return static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name));
    if (name[0] != '#') return 0;
    UINT id = 0;
    const char* end = name + std::strlen(name);
    const auto [ptr, ec] = std::from_chars(name + 1, end, id);
    return ec == std::errc() && ptr == end ? id : 0;
}

}  // namespace afx_detail

using namespace afx_detail;

BOOL AfxRegisterDialogTemplate(UINT id, const AFX_DLGTEMPLATE& dialog)
{
    auto stored = std::make_unique<StoredDialog>();
    stored->view = dialog;
    stored->view.caption = stored->Keep(dialog.caption);
    stored->view.typeFace = stored->Keep(dialog.typeFace);
    stored->items.assign(dialog.items.begin(), dialog.items.end());
    for (AFX_DLGITEM& item : stored->items) {
        item.text = stored->Keep(item.text);
        item.windowClass = stored->Keep(item.windowClass ? item.windowClass : "STATIC");
    }
    stored->view.items = stored->items;
    Registry& registry = Resources();
    std::lock_guard guard(registry.lock);
    registry.dialogs[id] = stored.get();
    registry.dialogStore.push_back(std::move(stored));
    return TRUE;
}

BOOL AfxRegisterString(UINT id, const char* utf8Text)
{
    Registry& registry = Resources();
    std::lock_guard guard(registry.lock);
    registry.strings[id] = utf8Text ? utf8Text : "";
    return TRUE;
}

BOOL AfxRegisterIcon(UINT id, std::span<const AFX_ICONIMAGE> images)
{
    auto icon = std::make_unique<IconResource>();
    icon->id = id;
    for (const AFX_ICONIMAGE& image : images) {
        if (image.width <= 0 || image.height <= 0
            || image.argb.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height))
            return FALSE;
        icon->images.push_back({image.width, image.height, {image.argb.begin(), image.argb.end()}});
    }
    if (icon->images.empty()) return FALSE;
    Registry& registry = Resources();
    std::lock_guard guard(registry.lock);
    registry.icons[id] = icon.get();
    registry.iconStore.push_back(std::move(icon));
    return TRUE;
}

const AFX_DLGTEMPLATE* AfxFindDialogTemplate(UINT id)
{
    Registry& registry = Resources();
    std::lock_guard guard(registry.lock);
    const auto found = registry.dialogs.find(id);
    return found == registry.dialogs.end() ? nullptr : &found->second->view;
}

BOOL AfxLoadString(UINT id, CString& text)
{
    std::string utf8;
    {
        Registry& registry = Resources();
        std::lock_guard guard(registry.lock);
        const auto found = registry.strings.find(id);
        if (found == registry.strings.end()) {
            text.Empty();
            return FALSE;
        }
        utf8 = found->second;
    }
    text = CString(win32::nls::Utf8ToAnsi(utf8).c_str());
    return !text.IsEmpty();
}

HICON AfxLoadIcon(UINT id)
{
    Registry& registry = Resources();
    std::lock_guard guard(registry.lock);
    const auto found = registry.icons.find(id);
    return found == registry.icons.end() ? nullptr : reinterpret_cast<HICON>(found->second);
}
