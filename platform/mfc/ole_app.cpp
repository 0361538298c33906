#include <afxdisp.h>
#include <afxtesthooks.h>
#include <objbase.h>

#include <vector>

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

std::vector<COleObjectFactory*>& Factories()
{
    static std::vector<COleObjectFactory*> factories;
    return factories;
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
    if (state.lockCount > 0 && --state.lockCount == 0 && !state.userControl) {
        // The last object is gone in an instance started for automation: close.
        if (CWnd* main = AfxGetMainWnd(); main && main->GetSafeHwnd()) main->PostMessage(WM_CLOSE);
    }
}

BOOL AfxOleCanExitApp() { return State().lockCount == 0; }
void AfxOleSetUserCtrl(BOOL bUserCtrl) { State().userControl = bUserCtrl; }
BOOL AfxOleGetUserCtrl() { return State().userControl; }

namespace afxtest {
LONG OleLockCount() { return State().lockCount; }
}  // namespace afxtest

IMPLEMENT_DYNAMIC(COleObjectFactory, CCmdTarget)

COleObjectFactory::COleObjectFactory(REFCLSID clsid, const CRuntimeClass* pRuntimeClass, BOOL bMultiInstance,
                                     LPCTSTR lpszProgID)
    : m_clsid(clsid), m_pRuntimeClass(pRuntimeClass), m_bMultiInstance(bMultiInstance), m_strProgID(lpszProgID)
{
    Factories().push_back(this);
}

COleObjectFactory::~COleObjectFactory()
{
    auto& factories = Factories();
    std::erase(factories, this);
}

// Local-server registration arrives with the automation server; until then the
// factories are only listed.
BOOL COleObjectFactory::RegisterAll() { return TRUE; }
void COleObjectFactory::RevokeAll() {}
BOOL COleObjectFactory::UpdateRegistryAll(BOOL) { return TRUE; }
