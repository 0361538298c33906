#include <afxdisp.h>
#include <varnel/test_hooks.h>
#include <objbase.h>


namespace {

struct OleState {
    bool initialised = false;
    LONG lockCount = 0;
    BOOL userControl = TRUE;
};

OleState& State()
{
    static OleState state;
    return state;
}

}  // namespace

BOOL AfxOleInit()
{
    OleState& state = State();
    if (state.initialised) return TRUE;
    if (FAILED(CoInitialize(nullptr))) return FALSE;
    state.initialised = true;
    return TRUE;
}

void AfxOleTerm(BOOL bJustRevoke)
{
    COleObjectFactory::RevokeAll();
    if (bJustRevoke) return;
    OleState& state = State();
    if (state.initialised) {
        state.initialised = false;
        CoUninitialize();
    }
}

void AfxEnableControlContainer(void*) {}

void AfxOleLockApp() { ++State().lockCount; }

void AfxOleUnlockApp()
{
    OleState& state = State();
    if (state.lockCount == 0 || --state.lockCount > 0 || state.userControl) return;
    // The last object is gone in an instance started for automation. A main window
    // that shows belongs to its user, who closes it; a hidden one nobody can close.
    CWnd* main = AfxGetMainWnd();
    if (main && main->GetSafeHwnd() && !main->IsWindowVisible()) main->PostMessage(WM_CLOSE);
}

BOOL AfxOleCanExitApp() { return State().lockCount == 0; }
void AfxOleSetUserCtrl(BOOL bUserCtrl) { State().userControl = bUserCtrl; }
BOOL AfxOleGetUserCtrl() { return State().userControl; }

namespace afxtest {
LONG OleLockCount() { return State().lockCount; }
}  // namespace afxtest
