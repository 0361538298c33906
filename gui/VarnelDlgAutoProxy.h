// The automation proxy that ties a client's reference to the main dialog. The
// automation server that creates it comes later; the dialog only keeps the link.
#pragma once

#include <afxwin.h>

class CVarnelDlg;

class CVarnelDlgAutoProxy : public CCmdTarget {
public:
    CVarnelDlg* m_pDialog = nullptr;  // not owned; null once the dialog is gone
};
