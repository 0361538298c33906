// The main dialog (dialog 102): the whole working surface of the program.
#pragma once

#include <afxwin.h>

#include "SpObjectTokenDispatch.h"
#include "SpObjectTokensDispatch.h"
#include "SpVoiceDispatch.h"

class CVarnelDlgAutoProxy;

// Posted by the voice each time one of its requests has ended.
inline constexpr UINT WM_SPEECH_ENDED = WM_APP + 1;

class CVarnelDlg : public CDialog {
    DECLARE_DYNAMIC(CVarnelDlg)
    friend class CVarnelDlgAutoProxy;

public:
    explicit CVarnelDlg(CWnd* pParent = nullptr);
    ~CVarnelDlg() override;

    // The ProgID the voice is created from (a test seam; the product uses "SAPI.SpVoice").
    static const char* s_voiceProgId;

    CLSID m_voiceClsid;
    IDispatch* m_pVoiceDispatch;
    SpVoiceDispatch m_voice;
    SpObjectTokensDispatch m_voices;
    SpObjectTokenDispatch m_voiceToken;
    CEdit m_textEdit;
    CEdit m_fileEdit;
    CComboBox m_voiceCombo;
    CString m_inputText;
    int m_rate;
    int m_volume;
    CString m_voiceNames;
    int m_useInputFile;
    CString m_inputFilePath;
    int m_loopCount;
    CVarnelDlgAutoProxy* m_pAutoProxy;
    HICON m_hIcon;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    BOOL CanExit();
    long SpeakFile();
    void LoadSettings();
    void SaveSettings();

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnClose();
    afx_msg void OnSpeakEnglish();
    afx_msg void OnRead();
    afx_msg void OnStop();
    afx_msg void OnRateUp();
    afx_msg void OnRateDown();
    afx_msg void OnVolumeUp();
    afx_msg void OnVolumeDown();
    afx_msg void OnSelchangeVoice();
    afx_msg void OnEnglish();
    afx_msg void OnChinese();
    afx_msg void OnSpeakChinese();
    afx_msg void OnInputFileCheck();
    afx_msg void OnExportWav();
    afx_msg void OnBrowse();
    afx_msg void OnHelp();
    afx_msg LRESULT OnSpeechEnded(WPARAM wParam, LPARAM lParam);
    afx_msg void OnPause();
    afx_msg void OnTimer(UINT_PTR nIDEvent);

    DECLARE_MESSAGE_MAP()

private:
    bool HasVoice() const { return m_voice.m_lpDispatch != nullptr; }
    bool CreateVoice();
    void FillVoiceList();
    void ChooseVoice(int row);
    void ApplyShownSettingsToVoice();
    void EnableInputBox();
    void DisableSpeechControls();
    void RunTestButton(const CString* text, int row, const CString* spoken);
    void ListenForSpeechEnds();
    // Reading along (VarnelDlgPause.cpp, VarnelDlgFollow.cpp).
    void ShowPaused(bool paused);
    void EndPauseByPurge();
    void StartFollowing(bool typedText, long firstStream);
    void FollowVoice();
    void ShowSpokenWord(long position, long length);
    void EndReading();

    bool m_speechFailureShown = false;  // since the last Read: one message per Read
    bool m_reading = false;             // from Read until the voice is done or stopped
    bool m_paused = false;
    bool m_highlighting = false;        // the typed text is being read: its words are selected
    CString m_spokenText;               // exactly what was given to Speak
    long m_firstStream = 0;             // the first request of the Read
};
