// The system menu stand-in: the window manager owns the title-bar menu, so the
// dialog opens its own on Alt+Space and on a right click on its background.
#include "framework_window.h"

#include "qt_text.h"

#include <QMenu>
#include <QTimer>

IMPLEMENT_DYNAMIC(CMenu, CObject)

namespace afx_detail {

namespace {

SystemMenuModel* ModelFromHandle(HMENU menu) { return reinterpret_cast<SystemMenuModel*>(menu); }

void AddDefaultEntries(Window* dialog, SystemMenuModel& model)
{
    model.entries.clear();
    if (dialog->style & WS_MINIMIZEBOX) {
        model.entries.push_back({MF_STRING, SC_RESTORE, "&Restore"});
        model.entries.push_back({MF_STRING, SC_MINIMIZE, "Mi&nimize"});
        model.entries.push_back({MF_SEPARATOR, 0, ""});
    }
    model.entries.push_back({MF_STRING, SC_CLOSE, "&Close\tAlt+F4"});
}

// Restore only while minimised, Minimize only while not, as Windows shows them.
bool EntryEnabled(Window* dialog, const MenuEntry& entry)
{
    if (entry.flags & (MF_GRAYED | MF_DISABLED)) return false;
    const bool minimised = dialog->widget && dialog->widget->isMinimized();
    if (entry.id == SC_RESTORE) return minimised;
    if (entry.id == SC_MINIMIZE) return !minimised;
    return true;
}


}  // namespace

SystemMenuModel* SystemMenuOf(Window* dialog, bool create)
{
    if (!dialog || !dialog->dialog || !(dialog->style & WS_SYSMENU)) return nullptr;
    DialogState& state = *dialog->dialog;
    if (!state.systemMenu && create) {
        state.systemMenu = std::make_unique<SystemMenuModel>();
        AddDefaultEntries(dialog, *state.systemMenu);
        state.systemMenu->menu.m_hMenu = reinterpret_cast<HMENU>(state.systemMenu.get());
    }
    return state.systemMenu.get();
}

void ResetSystemMenu(Window* dialog)
{
    if (SystemMenuModel* model = SystemMenuOf(dialog, true)) AddDefaultEntries(dialog, *model);
}

void RunSystemCommand(Window* dialog, UINT id)
{
    CallWindowProc(ObjectFor(dialog), WM_SYSCOMMAND, id, 0);
}

void OpenSystemMenu(Window* dialog, const QPoint& globalPos)
{
    SystemMenuModel* model = SystemMenuOf(dialog, true);
    if (!model || !dialog->widget) return;
    if (!model->popup) model->popup = new QMenu(dialog->widget);
    QMenu* popup = model->popup;
    popup->clear();
    for (const MenuEntry& entry : model->entries) {
        if (entry.flags & MF_SEPARATOR) {
            popup->addSeparator();
            continue;
        }
        QAction* action = popup->addAction(FromAnsi(entry.text.c_str()));
        action->setEnabled(EntryEnabled(dialog, entry));
        action->setData(entry.id);
        const HWND handle = dialog->handle();
        const UINT id = entry.id;
        // After the menu has closed, as Windows sends WM_SYSCOMMAND.
        QObject::connect(action, &QAction::triggered, dialog->widget, [handle, id] {
            QTimer::singleShot(0, [handle, id] {
                if (Window* target = WindowFromHandle(handle)) RunSystemCommand(target, id);
            });
        });
    }
    popup->popup(globalPos);
}

bool IsSystemMenuOpen(Window* dialog)
{
    SystemMenuModel* model = SystemMenuOf(dialog, false);
    return model && model->popup && model->popup->isVisible();
}

}  // namespace afx_detail

using namespace afx_detail;

CMenu* CMenu::FromHandle(HMENU menu)
{
    return menu ? &ModelFromHandle(menu)->menu : nullptr;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem)
{
    SystemMenuModel* model = ModelFromHandle(m_hMenu);
    if (!model) return FALSE;
    if (nFlags & MF_POPUP) return FALSE;  // sub-menus are not part of the stand-in
    if (nFlags & MF_SEPARATOR) model->entries.push_back({nFlags, 0, ""});
    else model->entries.push_back({nFlags, static_cast<UINT>(nIDNewItem), lpszNewItem ? lpszNewItem : ""});
    return TRUE;
}

UINT CMenu::GetMenuItemCount() const
{
    SystemMenuModel* model = ModelFromHandle(m_hMenu);
    return model ? static_cast<UINT>(model->entries.size()) : static_cast<UINT>(-1);
}

UINT CMenu::GetMenuItemID(int nPos) const
{
    SystemMenuModel* model = ModelFromHandle(m_hMenu);
    if (!model || nPos < 0 || static_cast<std::size_t>(nPos) >= model->entries.size()) return static_cast<UINT>(-1);
    return model->entries[static_cast<std::size_t>(nPos)].id;
}

namespace {

MenuEntry* FindEntry(SystemMenuModel* model, UINT item, UINT flags)
{
    if (!model) return nullptr;
    if (flags & MF_BYPOSITION)
        return item < model->entries.size() ? &model->entries[item] : nullptr;
    for (MenuEntry& entry : model->entries)
        if (!(entry.flags & MF_SEPARATOR) && entry.id == item) return &entry;
    return nullptr;
}

}  // namespace

int CMenu::GetMenuString(UINT nIDItem, CString& text, UINT nFlags) const
{
    MenuEntry* entry = FindEntry(ModelFromHandle(m_hMenu), nIDItem, nFlags);
    text = entry ? entry->text.c_str() : "";
    return text.GetLength();
}

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable)
{
    MenuEntry* entry = FindEntry(ModelFromHandle(m_hMenu), nIDEnableItem, nEnable);
    if (!entry) return static_cast<UINT>(-1);
    const UINT previous = entry->flags & (MF_GRAYED | MF_DISABLED);
    entry->flags = (entry->flags & ~(MF_GRAYED | MF_DISABLED)) | (nEnable & (MF_GRAYED | MF_DISABLED));
    return previous;
}

BOOL CMenu::DeleteMenu(UINT nPosition, UINT nFlags)
{
    SystemMenuModel* model = ModelFromHandle(m_hMenu);
    MenuEntry* entry = FindEntry(model, nPosition, nFlags);
    if (!entry) return FALSE;
    model->entries.erase(model->entries.begin() + (entry - model->entries.data()));
    return TRUE;
}
