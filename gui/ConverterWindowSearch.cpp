#include "ConverterWindowSearch.h"

#include <afxwin.h>

namespace {

struct Search {
    DWORD processId;
    bool found;
};

BOOL CALLBACK VisitWindow(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<Search*>(data);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || ::GetParent(window) != nullptr) return TRUE;
    char title[100] = {};
    ::GetWindowTextA(window, title, sizeof title);
    AfxMessageBox(CString(u"进程主窗体标题"), MB_OK, 0);
    search->found = true;
    return FALSE;
}

}  // namespace

bool SearchConverterMainWindow(DWORD processId)
{
    Search search{processId, false};
    ::EnumWindows(&VisitWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
