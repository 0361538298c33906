// The application object: starts OLE, registers the engine's classes and the
// automation class, runs the main dialog and ends the program when it closes.
#pragma once

#include <afxwin.h>

class CVarnelApp : public CWinApp {
public:
    CVarnelApp();
    ~CVarnelApp() override = default;

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CVarnelApp theApp;
