#include "VarnelDlgAutoProxy.h"

#include "VarnelDlg.h"

IMPLEMENT_DYNCREATE(CVarnelDlgAutoProxy, CCmdTarget)

CVarnelDlgAutoProxy::CVarnelDlgAutoProxy()
{
    EnableAutomation();
    // Keeps the program running while the object lives.
    AfxOleLockApp();

    // The object serves the main dialog, which the application sets before its
    // loop (and so before any request) runs.
    m_pDialog = DYNAMIC_DOWNCAST(CVarnelDlg, AfxGetMainWnd());
    if (m_pDialog) {
        // A second object of the same instance takes the dialog over, so that no
        // object is left pointing at a dialog that may go away unnoticed.
        if (m_pDialog->m_pAutoProxy) m_pDialog->m_pAutoProxy->m_pDialog = nullptr;
        m_pDialog->m_pAutoProxy = this;
    }
}

CVarnelDlgAutoProxy::~CVarnelDlgAutoProxy()
{
    // The dialog may close again.
    if (m_pDialog) m_pDialog->m_pAutoProxy = nullptr;
    AfxOleUnlockApp();
}

void CVarnelDlgAutoProxy::OnFinalRelease() { CCmdTarget::OnFinalRelease(); }

BEGIN_MESSAGE_MAP(CVarnelDlgAutoProxy, CCmdTarget)
END_MESSAGE_MAP()

BEGIN_DISPATCH_MAP(CVarnelDlgAutoProxy, CCmdTarget)
END_DISPATCH_MAP()

// The dispatch interface's identifier; the object has no members.
// {067A5752-43A9-4588-A6A4-50DAC08BA9BE}
static const IID IID_IVarnel = {0x067A5752, 0x43A9, 0x4588, {0xA6, 0xA4, 0x50, 0xDA, 0xC0, 0x8B, 0xA9, 0xBE}};

BEGIN_INTERFACE_MAP(CVarnelDlgAutoProxy, CCmdTarget)
    INTERFACE_PART(CVarnelDlgAutoProxy, IID_IVarnel, Dispatch)
END_INTERFACE_MAP()

// Each object comes from a fresh instance of the program (multi-instance factory).
#define IMPLEMENT_OLECREATE2(class_name, external_name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    const GUID class_name::guid = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}};                  \
    COleObjectFactory class_name::factory(class_name::guid, RUNTIME_CLASS(class_name), TRUE, external_name);

// {36441365-33C3-423D-9CFE-E48DDBEBE91A}
IMPLEMENT_OLECREATE2(CVarnelDlgAutoProxy, "Varnel.Application", 0x36441365, 0x33C3, 0x423D, 0x9C, 0xFE, 0xE4, 0x8D,
                     0xDB, 0xEB, 0xE9, 0x1A)
