#include "VarnelApp.h"

#include <afxdisp.h>
#include <varnel/speech_classes.h>

#include <cstdio>

#include "StartOptions.h"
#include "VarnelDlg.h"
#include "VarnelDlgAutoProxy.h"
#include "WorkingFolder.h"
#include "res/resource.h"
#include "res/resources.h"

BEGIN_MESSAGE_MAP(CVarnelApp, CWinApp)
    ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CVarnelApp::CVarnelApp() : CWinApp(nullptr) { RegisterVarnelResources(); }

// Always FALSE: the dialog's modal loop is the program's only message loop, and the
// program ends when the dialog closes. --help and --version end it at once.
BOOL CVarnelApp::InitInstance()
{
    const std::optional<StartOption> option = SoleStartOption(Arguments());
    if (option == StartOption::Help || option == StartOption::Version) {
        std::fputs((option == StartOption::Help ? StartHelpText() : StartVersionText()).c_str(), stdout);
        std::fflush(stdout);
        return FALSE;  // before any window: no display needed
    }
    if (option == StartOption::Menu) KeepWorkingFilesInConfigFolder();
    else KeepWorkingFilesInCurrentDirectory();

    if (!AfxOleInit()) {
        AfxMessageBox(IDP_OLE_INIT_FAILED);
        return FALSE;
    }
    AfxEnableControlContainer();
    Enable3dControls();
    RegisterSpeechClasses();  // the dialog makes its voice from "SAPI.SpVoice"
    // The program's one automation class, named here so that it is linked in.
    if (RunEmbedded() || RunAutomated()) CVarnelDlgAutoProxy::factory.Register();
    else CVarnelDlgAutoProxy::factory.UpdateRegistry(TRUE);

    CVarnelDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
