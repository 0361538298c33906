// Dialog 102: the main dialog. Template order is the tab order.
#include <afxwin.h>

#include "resource.h"
#include "resources.h"

namespace {

constexpr DWORD kShown = WS_VISIBLE;
constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kLineEdit = ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;

const AFX_DLGITEM kItems[] = {
    {"Read", IDC_READ, "BUTTON", WS_CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP | kShown, 56, 175, 50, 14},
    {"&OK", IDOK, "BUTTON", WS_CHILD | kButton, 210, 89, 13, 6},
    {"&Exit", IDCANCEL, "BUTTON", WS_CHILD | kButton | kShown, 159, 194, 53, 14},
    {"Speak English", IDC_SPEAK_ENGLISH, "BUTTON", WS_CHILD | kButton, 191, 47, 32, 10},
    {"", IDC_INPUT_TEXT, "EDIT", WS_CHILD | ES_MULTILINE | ES_NOHIDESEL | WS_VSCROLL | WS_BORDER | WS_TABSTOP | kShown,
     11, 34, 200, 73},
    {"Stop", IDC_STOP, "BUTTON", WS_CHILD | kButton | kShown, 109, 175, 50, 14},
    {"+", IDC_RATE_UP, "BUTTON", WS_CHILD | kButton | kShown, 61, 120, 20, 17},
    {"-", IDC_RATE_DOWN, "BUTTON", WS_CHILD | kButton | kShown, 84, 120, 20, 17},
    {"+", IDC_VOLUME_UP, "BUTTON", WS_CHILD | kButton | kShown, 166, 120, 20, 17},
    {"-", IDC_VOLUME_DOWN, "BUTTON", WS_CHILD | kButton | kShown, 189, 120, 20, 17},
    {"Rate:", IDC_STATIC, "STATIC", WS_CHILD | SS_LEFT | kShown, 11, 126, 20, 17},
    {"Volume:", IDC_STATIC, "STATIC", WS_CHILD | SS_LEFT | kShown, 108, 124, 27, 17},
    {"", IDC_RATE, "EDIT", WS_CHILD | kLineEdit | kShown, 37, 121, 20, 17},
    {"", IDC_VOLUME, "EDIT", WS_CHILD | kLineEdit | kShown, 142, 121, 20, 17},
    {"Voice:", IDC_STATIC, "STATIC", WS_CHILD | SS_LEFT | kShown, 12, 153, 25, 8},
    {"", IDC_VOICE, "COMBOBOX", WS_CHILD | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | kShown, 42, 151, 169, 109},
    {"", IDC_VOICE_NAMES, "EDIT", WS_CHILD | ES_MULTILINE | WS_VSCROLL | WS_BORDER | WS_TABSTOP,
     201, 92, 22, 39},
    {"English", IDC_ENGLISH, "BUTTON", WS_CHILD | kButton, 191, 67, 32, 10},
    {"Chinese", IDC_CHINESE, "BUTTON", WS_CHILD | kButton, 191, 77, 32, 10},
    {"Speek Chinese", IDC_SPEAK_CHINESE, "BUTTON", WS_CHILD | kButton, 191, 57, 32, 10},
    {"Input Text", IDC_STATIC, "BUTTON", WS_CHILD | BS_GROUPBOX | kShown, 5, 22, 218, 93},
    {"", IDC_STATIC, "BUTTON", WS_CHILD | BS_GROUPBOX | kShown, 4, 144, 217, 25},
    {"&Input File:", IDC_INPUT_FILE_CHECK, "BUTTON", WS_CHILD | BS_AUTOCHECKBOX | WS_TABSTOP | kShown, 7, 9, 60, 10},
    {"", IDC_INPUT_FILE, "EDIT", WS_CHILD | kLineEdit | WS_DISABLED | kShown, 70, 8, 117, 14},
    {"Loop:", IDC_STATIC, "STATIC", WS_CHILD | SS_LEFT | kShown, 7, 177, 21, 8},
    {"", IDC_LOOP, "EDIT", WS_CHILD | kLineEdit | kShown, 29, 176, 20, 12},
    {"Narrate", IDC_EXPORT_WAV, "BUTTON", WS_CHILD | kButton | kShown, 162, 175, 50, 14},
    {"...", IDC_BROWSE, "BUTTON", WS_CHILD | kButton | kShown, 192, 7, 25, 14},
    {"Help", IDC_HELP_INFO, "BUTTON", WS_CHILD | kButton | kShown, 79, 195, 64, 14},
    // Last, so that the older controls keep their tab stops; usable only while reading.
    {"&Pause", IDC_PAUSE, "BUTTON", WS_CHILD | kButton | WS_DISABLED | kShown, 11, 195, 50, 14},
};

const AFX_DLGTEMPLATE kMainDialog = {
    DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
    WS_EX_APPWINDOW, 0, 0, 226, 220, "Tesorin", 9, "宋体", kItems,
};

}  // namespace

void RegisterMainDialog() { AfxRegisterDialogTemplate(IDD_VARNEL_DIALOG, kMainDialog); }
