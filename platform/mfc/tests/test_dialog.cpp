#include "test_dialog.h"

namespace mfc_test {

IMPLEMENT_DYNAMIC(CTestDlg, CDialog)

BEGIN_MESSAGE_MAP(CTestDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_CLOSE()
    ON_BN_CLICKED(kRead, OnRead)
    ON_BN_CLICKED(kStop, OnStop)
    ON_BN_CLICKED(kHiddenTest, OnHiddenTest)
    ON_CBN_SELCHANGE(kVoices, OnSelchangeVoices)
    ON_BN_CLICKED(kCheck, OnCheck)
END_MESSAGE_MAP()

void CTestDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kText, m_textEdit);
    DDX_Control(pDX, kVoices, m_voices);
    DDX_Text(pDX, kText, m_text);
    DDX_Text(pDX, kRate, m_rate);
    DDV_MinMaxInt(pDX, m_rate, -10, 10);
    DDX_Text(pDX, kVolume, m_volume);
    DDV_MinMaxInt(pDX, m_volume, 0, 100);
    DDX_Check(pDX, kCheck, m_check);
    DDX_Text(pDX, kPath, m_path);
    DDX_Text(pDX, kLoop, m_loop);
    DDV_MinMaxInt(pDX, m_loop, 1, 999);
}

BOOL CTestDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    log.push_back("init");
    if (CMenu* menu = GetSystemMenu(FALSE)) {
        CString about;
        about.LoadString(9101);
        menu->AppendMenu(MF_SEPARATOR);
        menu->AppendMenu(MF_STRING, 0x0010, about);
    }
    return onInit ? onInit() : TRUE;
}

void CTestDlg::OnOK()
{
    log.push_back("ok");
    if (canExit) CDialog::OnOK();
}

void CTestDlg::OnCancel()
{
    log.push_back("cancel");
    if (canExit) CDialog::OnCancel();
    else ShowWindow(SW_HIDE);
}

void CTestDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    log.push_back("syscommand " + std::to_string(nID));
    if ((nID & 0xFFF0) == 0x0010) {
        CDialog about(kSmallDialog);
        about.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CTestDlg::OnClose()
{
    log.push_back("close");
    CDialog::OnClose();
}

void CTestDlg::OnRead()
{
    log.push_back("read");
    if (onRead) onRead();
    log.push_back("read done");
}

void CTestDlg::OnStop() { log.push_back("stop"); }
void CTestDlg::OnHiddenTest() { log.push_back("hidden"); }
void CTestDlg::OnSelchangeVoices() { log.push_back("selchange " + std::to_string(m_voices.GetCurSel())); }
void CTestDlg::OnCheck() { log.push_back("check"); }

}  // namespace mfc_test
