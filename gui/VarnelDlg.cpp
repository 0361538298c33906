// The main dialog: construction, data exchange, start-up, system menu, painting, closing.
#include "VarnelDlg.h"

#include <afxdisp.h>

#include "AboutDlg.h"
#include "VarnelDlgAutoProxy.h"
#include "res/resource.h"

namespace {

const char kPreferredVoice[] = "ScanSoft Kyoko_Full_22kHz";
const char kPrompt[] = "Please Input Text to be Read by TTS.";
const char kVoiceNames[] = "Mary,\t\tMike,\t\tSam,\t\tChinese";
const char kNoEngine[] =
    "The speech engine could not be started, so nothing can be read aloud or narrated.\n"
    "Install espeak-ng and start Varnel again.";
const char kNoVoices[] =
    "No speech voice is installed, so nothing can be read aloud or narrated.\n"
    "Install espeak-ng voices and start Varnel again.";

}  // namespace

const char* CVarnelDlg::s_voiceProgId = "SAPI.SpVoice";

IMPLEMENT_DYNAMIC(CVarnelDlg, CDialog)

CVarnelDlg::CVarnelDlg(CWnd* pParent)
    : CDialog(IDD_VARNEL_DIALOG, pParent),
      m_voiceClsid{},
      m_pVoiceDispatch(nullptr),
      m_rate(0),
      m_volume(0),
      m_useInputFile(0),
      m_loopCount(0),
      m_pAutoProxy(nullptr),
      m_hIcon(AfxLoadIcon(IDR_MAINFRAME))
{
}

CVarnelDlg::~CVarnelDlg()
{
    if (m_pAutoProxy) m_pAutoProxy->m_pDialog = nullptr;
}

void CVarnelDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_INPUT_TEXT, m_textEdit);
    DDX_Control(pDX, IDC_INPUT_FILE, m_fileEdit);
    DDX_Control(pDX, IDC_VOICE, m_voiceCombo);
    DDX_Text(pDX, IDC_INPUT_TEXT, m_inputText);
    DDX_Text(pDX, IDC_RATE, m_rate);
    DDV_MinMaxInt(pDX, m_rate, -10, 10);
    DDX_Text(pDX, IDC_VOLUME, m_volume);
    DDV_MinMaxInt(pDX, m_volume, 0, 100);
    DDX_Text(pDX, IDC_VOICE_NAMES, m_voiceNames);
    DDX_Check(pDX, IDC_INPUT_FILE_CHECK, m_useInputFile);
    DDX_Text(pDX, IDC_INPUT_FILE, m_inputFilePath);
    DDX_Text(pDX, IDC_LOOP, m_loopCount);
    DDV_MinMaxInt(pDX, m_loopCount, 1, 999);
}

BEGIN_MESSAGE_MAP(CVarnelDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_CLOSE()
    ON_BN_CLICKED(IDC_SPEAK_ENGLISH, OnSpeakEnglish)
    ON_BN_CLICKED(IDC_READ, OnRead)
    ON_BN_CLICKED(IDC_STOP, OnStop)
    ON_BN_CLICKED(IDC_RATE_UP, OnRateUp)
    ON_BN_CLICKED(IDC_RATE_DOWN, OnRateDown)
    ON_BN_CLICKED(IDC_VOLUME_UP, OnVolumeUp)
    ON_BN_CLICKED(IDC_VOLUME_DOWN, OnVolumeDown)
    ON_CBN_SELCHANGE(IDC_VOICE, OnSelchangeVoice)
    ON_BN_CLICKED(IDC_ENGLISH, OnEnglish)
    ON_BN_CLICKED(IDC_CHINESE, OnChinese)
    ON_BN_CLICKED(IDC_SPEAK_CHINESE, OnSpeakChinese)
    ON_BN_CLICKED(IDC_INPUT_FILE_CHECK, OnInputFileCheck)
    ON_BN_CLICKED(IDC_EXPORT_WAV, OnExportWav)
    ON_BN_CLICKED(IDC_BROWSE, OnBrowse)
    ON_BN_CLICKED(IDC_HELP_INFO, OnHelp)
    ON_MESSAGE(WM_SPEECH_ENDED, OnSpeechEnded)
    ON_BN_CLICKED(IDC_PAUSE, OnPause)
    ON_WM_TIMER()
END_MESSAGE_MAP()

BOOL CVarnelDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (CMenu* systemMenu = GetSystemMenu(FALSE)) {
        CString aboutMenu;
        aboutMenu.LoadString(IDS_ABOUTBOX);
        if (!aboutMenu.IsEmpty()) {
            systemMenu->AppendMenu(MF_SEPARATOR);
            systemMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, aboutMenu);
        }
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    const char* speechProblem = nullptr;
    if (!CreateVoice()) {
        speechProblem = kNoEngine;
    } else {
        ListenForSpeechEnds();
        m_rate = 0;
        m_voice.SetRate(0);
        m_volume = 100;
        m_voice.SetVolume(100);
        SpObjectTokensDispatch voices(m_voice.GetVoices(nullptr, nullptr));
        m_voices = voices;
        voices.ReleaseDispatch();
        FillVoiceList();
        if (m_voiceCombo.GetCount() == 0) speechProblem = kNoVoices;
        else ChooseVoice(m_voiceCombo.GetCurSel());
    }

    m_inputText = kPrompt;
    m_voiceNames = kVoiceNames;
    LoadSettings();
    if (speechProblem) {
        DisableSpeechControls();
        MessageBox(speechProblem, nullptr, MB_OK | MB_ICONEXCLAMATION);
    } else {
        ApplyShownSettingsToVoice();
    }
    UpdateData(FALSE);
    return TRUE;
}

bool CVarnelDlg::CreateVoice()
{
    CString progId(s_voiceProgId);
    std::u16string wideProgId = progId.ToWide();
    if (FAILED(CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(wideProgId.c_str()), &m_voiceClsid))) return false;
    if (!m_voice.CreateDispatch(m_voiceClsid)) return false;
    m_pVoiceDispatch = m_voice.m_lpDispatch;
    return true;
}

// Lists every voice in the collection's order; the preferred voice's row (the last
// one when several carry its name), else row 0, ends up selected.
void CVarnelDlg::FillVoiceList()
{
    long count = m_voices.GetCount();
    int preferredRow = -1;
    for (long i = 0; i < count; ++i) {
        SpObjectTokenDispatch token(m_voices.Item(i));
        m_voiceToken = token;
        token.ReleaseDispatch();
        CString description = m_voiceToken.GetDescription(0);
        if (description == kPreferredVoice) preferredRow = static_cast<int>(i);
        m_voiceCombo.AddString(description);
    }
    m_voiceCombo.SetCurSel(preferredRow < 0 ? 0 : preferredRow);
}

// Puts the voice of a list row on the voice object.
void CVarnelDlg::ChooseVoice(int row)
{
    SpObjectTokenDispatch token(m_voices.Item(row));
    m_voice.SetVoice(token.m_lpDispatch);
}

// The restored rate, volume and voice row, kept in range, become the voice's own.
void CVarnelDlg::ApplyShownSettingsToVoice()
{
    m_rate = m_rate < -10 ? -10 : m_rate > 10 ? 10 : m_rate;
    m_volume = m_volume < 0 ? 0 : m_volume > 100 ? 100 : m_volume;
    m_voice.SetRate(m_rate);
    m_voice.SetVolume(m_volume);
    int row = m_voiceCombo.GetCurSel();
    if (row >= 0) ChooseVoice(row);
}

void CVarnelDlg::DisableSpeechControls()
{
    for (int id : {IDC_READ, IDC_STOP, IDC_RATE_UP, IDC_RATE_DOWN, IDC_VOLUME_UP, IDC_VOLUME_DOWN, IDC_VOICE,
                   IDC_EXPORT_WAV, IDC_PAUSE}) {
        if (CWnd* control = GetDlgItem(id)) control->EnableWindow(FALSE);
    }
}

void CVarnelDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CVarnelDlg::OnPaint()
{
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    int iconWidth = GetSystemMetrics(SM_CXICON);
    int iconHeight = GetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    int x = (rect.Width() - iconWidth + 1) / 2;
    int y = (rect.Height() - iconHeight + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CVarnelDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

BOOL CVarnelDlg::CanExit()
{
    if (m_pAutoProxy) {
        ShowWindow(SW_HIDE);
        return FALSE;
    }
    return TRUE;
}

void CVarnelDlg::OnClose()
{
    if (CanExit()) CDialog::OnClose();
}

void CVarnelDlg::OnOK()
{
    if (CanExit()) CDialog::OnOK();
}

void CVarnelDlg::OnCancel()
{
    if (CanExit()) CDialog::OnCancel();
}
