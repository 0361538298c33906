#include "qt_text.h"
#include "resources.h"
#include "window_driver.h"
#include "framework_window.h"

#include <afxdisp.h>
#include <libloaderapi.h>

#include <QApplication>

#include <cstdio>
#include <optional>
#include <strings.h>

using namespace afx_detail;

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)
IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

BEGIN_MESSAGE_MAP(CWinApp, CWinThread)
    ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

namespace {

CWinApp*& CurrentApp()
{
    static CWinApp* app = nullptr;
    return app;
}

// The executable's file name without its extension.
std::string ExecutableName()
{
    char path[4096] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string name(path, length);
    if (const auto slash = name.rfind('/'); slash != std::string::npos) name.erase(0, slash + 1);
    if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

// Arguments joined into one command line, quoted by the Windows rules where needed.
std::string JoinArguments(const std::vector<std::string>& arguments)
{
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty()) line += ' ';
        if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
            line += argument;
            continue;
        }
        line += '"';
        std::size_t backslashes = 0;
        for (char c : argument) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
            backslashes = 0;
            line += c;
        }
        line.append(backslashes * 2, '\\');
        line += '"';
    }
    return line;
}

bool HasSwitch(const std::vector<std::string>& arguments, const char* name)
{
    for (const std::string& argument : arguments)
        if (argument.size() > 1 && (argument[0] == '/' || argument[0] == '-') && strcasecmp(argument.c_str() + 1, name) == 0)
            return true;
    return false;
}

}  // namespace

BOOL CWinThread::InitInstance() { return FALSE; }
int CWinThread::ExitInstance() { return 0; }
int CWinThread::Run() { return ExitInstance(); }

CWinApp::CWinApp(LPCTSTR lpszAppName) : m_previous(CurrentApp())
{
    m_exeName = ExecutableName();
    m_appName = lpszAppName ? lpszAppName : m_exeName;
    m_pszExeName = m_exeName.c_str();
    m_pszAppName = m_appName.c_str();
    m_lpCmdLine = m_cmdLine.c_str();
    CurrentApp() = this;
}

CWinApp::~CWinApp()
{
    if (CurrentApp() == this) CurrentApp() = m_previous;
}

void CWinApp::TakeCommandLine(int argc, char* argv[])
{
    m_arguments.clear();
    for (int i = 1; i < argc && argv && argv[i]; ++i) m_arguments.emplace_back(argv[i]);
    m_cmdLine = JoinArguments(m_arguments);
    m_lpCmdLine = m_cmdLine.c_str();
}

BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::ExitInstance() { return 0; }

int CWinApp::Run()
{
    // A main window that is not a modal dialog: the application's loop runs until it closes.
    if (qApp && m_pMainWnd && m_pMainWnd->IsWindowVisible()) QApplication::exec();
    return ExitInstance();
}

HICON CWinApp::LoadIcon(UINT nIDResource) const { return AfxLoadIcon(nIDResource); }
HICON CWinApp::LoadIcon(LPCTSTR lpszResourceName) const { return AfxLoadIcon(ResourceIdFromName(lpszResourceName)); }

BOOL CWinApp::RunEmbedded()
{
    if (!HasSwitch(m_arguments, "Embedding")) return FALSE;
    AfxOleSetUserCtrl(FALSE);
    return TRUE;
}

BOOL CWinApp::RunAutomated()
{
    if (!HasSwitch(m_arguments, "Automation")) return FALSE;
    AfxOleSetUserCtrl(FALSE);
    return TRUE;
}

BOOL CWinApp::Enable3dControls() { return TRUE; }
void CWinApp::WinHelp(DWORD_PTR, UINT) {}
void CWinApp::OnHelp() { WinHelp(0); }

CWinApp* AfxGetApp() { return CurrentApp(); }

CWnd* AfxGetMainWnd()
{
    CWinApp* app = AfxGetApp();
    return app ? app->m_pMainWnd : nullptr;
}

LPCTSTR AfxGetAppName()
{
    CWinApp* app = AfxGetApp();
    return app && app->m_pszAppName ? app->m_pszAppName : "";
}

BOOL AfxWinInit(int argc, char* argv[])
{
    CWinApp* app = AfxGetApp();
    if (!app) return FALSE;
    app->TakeCommandLine(argc, argv);
    return TRUE;
}

int AfxWinMain(int argc, char* argv[])
{
    // The GUI application is made when the first window needs it (one made earlier,
    // by tests, is used as it is): a start that opens no window, such as --help,
    // needs no display.
    std::optional<QApplication> application;
    ScopedProgramApplication programApplication(argc, argv, application);
    EnsureMessagePump();
    CWinApp* app = AfxGetApp();
    if (!app || !AfxWinInit(argc, argv)) {
        std::fprintf(stderr, "no application object\n");
        return -1;
    }
    int code = 0;
    try {
        code = app->InitInstance() ? app->Run() : app->ExitInstance();
    } catch (CException* e) {
        e->ReportError(MB_OK | MB_ICONSTOP, AFX_IDP_INTERNAL_FAILURE);
        e->Delete();
        code = -1;
    }
    AfxOleTerm(FALSE);
    return code;
}
