// A dialog on the main test template with handlers that record what reached them.
#pragma once

#include <afxdisp.h>

#include "gui_fixture.h"

#include <functional>
#include <string>
#include <vector>

namespace mfc_test {

class CTestDlg : public CDialog {
    DECLARE_DYNAMIC(CTestDlg)
public:
    explicit CTestDlg(UINT templateId = kMainDialog) : CDialog(templateId) {}

    std::vector<std::string> log;
    std::function<void()> onRead;           // runs inside OnRead
    std::function<BOOL()> onInit;           // replaces the body of OnInitDialog after the base
    bool canExit = true;

    CString m_text;
    int m_rate = 0;
    int m_volume = 0;
    int m_check = 0;
    CString m_path;
    int m_loop = 1;
    CEdit m_textEdit;
    CComboBox m_voices;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnClose();
    afx_msg void OnRead();
    afx_msg void OnStop();
    afx_msg void OnHiddenTest();
    afx_msg void OnSelchangeVoices();
    afx_msg void OnCheck();
    DECLARE_MESSAGE_MAP()
};

}  // namespace mfc_test
