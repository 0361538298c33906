#include <afxwin.h>
#include <varnel/test_hooks.h>

#include <QApplication>
#include <QCursor>

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message, UINT code, UINT id) const
{
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry && entry->pfn; ++entry) {
            if (entry->nMessage != message) continue;
            if (message == WM_COMMAND && (entry->nCode != code || id < entry->nID || id > entry->nLastID)) continue;
            return entry;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode)
{
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_COMMAND, static_cast<UINT>(nCode), nID);
    if (!entry) return FALSE;
    entry->pfn(this, 0, 0);
    return TRUE;
}

void CCmdTarget::OnFinalRelease() { delete this; }

namespace {

int& WaitDepth()
{
    static int depth = 0;
    return depth;
}

}  // namespace

void CCmdTarget::BeginWaitCursor()
{
    ++WaitDepth();
    // Qt hands the cursor to every window at once, so it shows even while the
    // caller then blocks the GUI thread (no events are processed here).
    if (qApp) QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void CCmdTarget::EndWaitCursor()
{
    if (WaitDepth() == 0) return;
    --WaitDepth();
    if (qApp && QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

void CCmdTarget::RestoreWaitCursor()
{
    if (qApp && WaitDepth() > 0 && !QApplication::overrideCursor()) QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

CWaitCursor::CWaitCursor()
{
    if (CWinApp* app = AfxGetApp()) app->BeginWaitCursor();
    else CCmdTarget().BeginWaitCursor();
}

CWaitCursor::~CWaitCursor()
{
    if (CWinApp* app = AfxGetApp()) app->EndWaitCursor();
    else CCmdTarget().EndWaitCursor();
}

void CWaitCursor::Restore()
{
    if (CWinApp* app = AfxGetApp()) app->RestoreWaitCursor();
}

namespace afxtest {
BOOL IsWaitCursorShown() { return WaitDepth() > 0; }
}  // namespace afxtest
