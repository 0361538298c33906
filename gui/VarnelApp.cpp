#include "VarnelApp.h"

#include <afxdisp.h>

#include "VarnelDlg.h"
#include "res/resource.h"
#include "res/resources.h"

BEGIN_MESSAGE_MAP(CVarnelApp, CWinApp)
    ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CVarnelApp::CVarnelApp() : CWinApp(nullptr) { RegisterVarnelResources(); }

// Always FALSE: the dialog's modal loop is the program's only message loop, and the
// program ends when the dialog closes.
BOOL CVarnelApp::InitInstance()
{
    if (!AfxOleInit()) {
        AfxMessageBox(IDP_OLE_INIT_FAILED);
        return FALSE;
    }
    AfxEnableControlContainer();
    Enable3dControls();
    if (RunEmbedded() || RunAutomated()) COleObjectFactory::RegisterAll();
    else COleObjectFactory::UpdateRegistryAll(TRUE);

    CVarnelDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
