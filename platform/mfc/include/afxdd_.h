// Dialog data exchange: moves values between controls and members.
#pragma once

class CWnd;

// One exchange run (UpdateData). Taking (m_bSaveAndValidate TRUE) reads the
// controls into the members and validates; showing writes the members.
class CDataExchange {
public:
    CDataExchange(CWnd* dlgWnd, BOOL saveAndValidate);

    // The control with this id, remembered as the one a later failure points at.
    // A missing control ends the exchange (Fail).
    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);  // the same, for an edit (its text is selected on failure)
    // Ends the exchange: when taking, the focus moves to the last prepared control
    // (an edit gets its whole text selected), then a CUserException is thrown and
    // UpdateData returns FALSE.
    [[noreturn]] void Fail();

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    int m_idLastControl = 0;
    BOOL m_bEditLastControl = FALSE;
};

// Attaches the control object to the dialog's control (first exchange only).
void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Text. Multi-line edits deliver line breaks as CR LF.
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
// Decimal integer: optional sign and digits, blanks around allowed. Anything else:
// "Please enter an integer." message, member unchanged, focus + selection, stop.
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
// Check state 0, 1, 2. Showing a value outside 0..2 shows unchecked and sets value to 0.
void AFXAPI DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// Combo-box selection (-1 for none).
void AFXAPI DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);

// Range checks, applied to the control of the DDX call just before (taking only):
// "Please enter an integer between min and max." message, focus + selection, stop.
// The out-of-range value has already been stored in the member.
void AFXAPI DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
void AFXAPI DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);
void AFXAPI DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars);
