// The automation object "Varnel.Application": it has no members, and while a
// client holds it the main dialog only hides when closed.
#pragma once

#include <afxdisp.h>

class CVarnelDlg;

class CVarnelDlgAutoProxy : public CCmdTarget {
    DECLARE_DYNCREATE(CVarnelDlgAutoProxy)

public:
    CVarnelDlgAutoProxy();  // made by the class factory for a client
    ~CVarnelDlgAutoProxy() override;

    CVarnelDlg* m_pDialog;  // not owned; null once the dialog is gone

    void OnFinalRelease() override;

    DECLARE_MESSAGE_MAP()
    DECLARE_DISPATCH_MAP()
    DECLARE_INTERFACE_MAP()
    DECLARE_OLECREATE(CVarnelDlgAutoProxy)
};
