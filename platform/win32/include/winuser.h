// The window system: window handles, messages and their queues, window
// classes, the constants of windows, controls, menus and message boxes, and
// the walk over the display's top-level windows.
//
// One handle space for every window the program sees: message-only windows
// made here (CreateWindowExA with HWND_MESSAGE), the dialog framework's
// windows (drawn by its toolkit, see user32_driver.h) and other programs'
// windows on the display (X11).
#pragma once

#include <windef.h>

// Messages
#define WM_NULL 0x0000
#define WM_DESTROY 0x0002
#define WM_SETFOCUS 0x0007
#define WM_ENABLE 0x000A
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_ICONERASEBKGND 0x0027
#define WM_QUERYDRAGICON 0x0037
#define WM_GETICON 0x007F
#define WM_SETICON 0x0080
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_USER 0x0400

// Notifications (HIWORD of WM_COMMAND's wParam)
#define BN_CLICKED 0
#define CBN_SELCHANGE 1
#define EN_CHANGE 0x0300

// Control messages
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_CLICK 0x00F5
#define EM_GETSEL 0x00B0
#define EM_SETSEL 0x00B1
#define EM_LIMITTEXT 0x00C5
#define CB_ADDSTRING 0x0143
#define CB_DELETESTRING 0x0144
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_INSERTSTRING 0x014A
#define CB_RESETCONTENT 0x014B
#define CB_FINDSTRINGEXACT 0x0158
#define CB_SETCURSEL 0x014E
#define CB_OKAY 0
#define CB_ERR (-1)
#define CB_ERRSPACE (-2)
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define BST_INDETERMINATE 0x0002

// Window styles
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_CLIENTEDGE 0x00000200L
#define WS_EX_STATICEDGE 0x00020000L
#define WS_EX_APPWINDOW 0x00040000L

// Dialog styles
#define DS_ABSALIGN 0x01L
#define DS_SYSMODAL 0x02L
#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L
#define DS_CENTER 0x0800L

// Button styles
#define BS_PUSHBUTTON 0x00000000L
#define BS_DEFPUSHBUTTON 0x00000001L
#define BS_CHECKBOX 0x00000002L
#define BS_AUTOCHECKBOX 0x00000003L
#define BS_RADIOBUTTON 0x00000004L
#define BS_3STATE 0x00000005L
#define BS_AUTO3STATE 0x00000006L
#define BS_GROUPBOX 0x00000007L
#define BS_AUTORADIOBUTTON 0x00000009L
#define BS_TYPEMASK 0x0000000FL
#define BS_LEFTTEXT 0x00000020L

// Edit styles
#define ES_LEFT 0x0000L
#define ES_CENTER 0x0001L
#define ES_RIGHT 0x0002L
#define ES_MULTILINE 0x0004L
#define ES_UPPERCASE 0x0008L
#define ES_LOWERCASE 0x0010L
#define ES_PASSWORD 0x0020L
#define ES_AUTOVSCROLL 0x0040L
#define ES_AUTOHSCROLL 0x0080L
#define ES_NOHIDESEL 0x0100L
#define ES_READONLY 0x0800L
#define ES_WANTRETURN 0x1000L
#define ES_NUMBER 0x2000L

// Static styles
#define SS_LEFT 0x00000000L
#define SS_CENTER 0x00000001L
#define SS_RIGHT 0x00000002L
#define SS_ICON 0x00000003L
#define SS_TYPEMASK 0x0000001FL
#define SS_NOPREFIX 0x00000080L
#define SS_CENTERIMAGE 0x00000200L
#define SS_SUNKEN 0x00001000L

// Combo box styles
#define CBS_SIMPLE 0x0001L
#define CBS_DROPDOWN 0x0002L
#define CBS_DROPDOWNLIST 0x0003L
#define CBS_AUTOHSCROLL 0x0040L
#define CBS_SORT 0x0100L
#define CBS_HASSTRINGS 0x0200L
#define CBS_NOINTEGRALHEIGHT 0x0400L

// Dialog command ids and message-box answers
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

// Message-box types
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONMASK 0x000000F0L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_DEFMASK 0x00000F00L
#define MB_APPLMODAL 0x00000000L
#define MB_SYSTEMMODAL 0x00001000L
#define MB_TASKMODAL 0x00002000L
#define MB_SETFOREGROUND 0x00010000L
#define MB_TOPMOST 0x00040000L

// System commands (WM_SYSCOMMAND's wParam; the low four bits are the system's own)
#define SC_SIZE 0xF000
#define SC_MOVE 0xF010
#define SC_MINIMIZE 0xF020
#define SC_MAXIMIZE 0xF030
#define SC_CLOSE 0xF060
#define SC_RESTORE 0xF120

// Menus
#define MF_BYCOMMAND 0x00000000L
#define MF_ENABLED 0x00000000L
#define MF_STRING 0x00000000L
#define MF_GRAYED 0x00000001L
#define MF_DISABLED 0x00000002L
#define MF_CHECKED 0x00000008L
#define MF_POPUP 0x00000010L
#define MF_BYPOSITION 0x00000400L
#define MF_SEPARATOR 0x00000800L

// System metrics and icons
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXSMICON 49
#define SM_CYSMICON 50
#define ICON_SMALL 0
#define ICON_BIG 1

// A resource id passed where a name is expected: a small integer in the pointer.
#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define MAKEINTRESOURCE MAKEINTRESOURCEA
#define IS_INTRESOURCE(p) ((reinterpret_cast<ULONG_PTR>(p) >> 16) == 0)

#define MAKEWPARAM(l, h) (static_cast<WPARAM>(static_cast<WORD>(l)) | (static_cast<WPARAM>(static_cast<WORD>(h)) << 16))
#define MAKELPARAM(l, h) (static_cast<LPARAM>(static_cast<DWORD>(MAKEWPARAM(l, h))))
#define LOWORD(l) (static_cast<WORD>(static_cast<DWORD_PTR>(l) & 0xFFFF))
#define HIWORD(l) (static_cast<WORD>((static_cast<DWORD_PTR>(l) >> 16) & 0xFFFF))

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_NORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_MAXIMIZE = 3;
inline constexpr int SW_SHOWNOACTIVATE = 4;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_SHOWMINNOACTIVE = 7;
inline constexpr int SW_SHOWNA = 8;
inline constexpr int SW_RESTORE = 9;
inline constexpr int SW_SHOWDEFAULT = 10;


// ---- messages and queues -------------------------------------------------------

#define WM_QUIT 0x0012
#define WM_APP 0x8000

// A message as a queue holds it.
struct tagMSG {
    HWND hwnd;  // null for a thread message
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;  // milliseconds since the system started, when it was posted
    POINT pt;
};
using MSG = tagMSG;
using LPMSG = MSG*;

inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;
inline constexpr UINT PM_NOYIELD = 0x0002;

inline constexpr DWORD QS_KEY = 0x0001;
inline constexpr DWORD QS_MOUSEMOVE = 0x0002;
inline constexpr DWORD QS_MOUSEBUTTON = 0x0004;
inline constexpr DWORD QS_POSTMESSAGE = 0x0008;
inline constexpr DWORD QS_TIMER = 0x0010;
inline constexpr DWORD QS_PAINT = 0x0020;
inline constexpr DWORD QS_SENDMESSAGE = 0x0040;
inline constexpr DWORD QS_ALLPOSTMESSAGE = 0x0100;
inline constexpr DWORD QS_ALLEVENTS = 0x04BF;
inline constexpr DWORD QS_ALLINPUT = 0x04FF;

// Each thread has one message queue, made on its first use. Posting to a window
// queues the message on the queue of the thread that made the window; posting to
// a thread queues it there directly.

// Runs the message through the window's procedure now and returns its result
// (0 for a handle that names no window). A window of another thread is not
// called across threads here: 0 with ERROR_INVALID_PARAMETER.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Queues the message for the window's thread. FALSE with
// ERROR_INVALID_WINDOW_HANDLE for a handle that names no window. A null window
// posts a thread message to the calling thread.
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Queues a thread message (hwnd null). FALSE with ERROR_INVALID_THREAD_ID when
// no live thread of this process has that id.
BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
inline LRESULT SendMessage(HWND w, UINT m, WPARAM wp, LPARAM lp) { return SendMessageA(w, m, wp, lp); }
inline BOOL PostMessage(HWND w, UINT m, WPARAM wp, LPARAM lp) { return PostMessageA(w, m, wp, lp); }
// Posts WM_QUIT with the exit code to the calling thread; GetMessageA returns 0 on it.
void PostQuitMessage(int exitCode);

// The first queued message (in posting order) whose window is `window` (null:
// any, including thread messages; (HWND)-1: thread messages only) and whose
// number lies in first..last (both 0: every message). TRUE and *msg filled
// when there is one; PM_REMOVE takes it off the queue. Never waits.
BOOL PeekMessageA(LPMSG msg, HWND window, UINT first, UINT last, UINT removeFlags);
// As PeekMessageA with PM_REMOVE, but waits for a message. 0 for WM_QUIT,
// -1 (with ERROR_INVALID_WINDOW_HANDLE) for a window filter naming no window,
// else nonzero.
BOOL GetMessageA(LPMSG msg, HWND window, UINT first, UINT last);
// Calls the procedure of the message's window (nothing for a thread message).
LRESULT DispatchMessageA(const MSG* msg);
// Keyboard translation has nothing to do here: FALSE.
BOOL TranslateMessage(const MSG* msg);

// Waits until one of the handles is signalled (WAIT_OBJECT_0 + its index), or
// input of the kinds in wakeMask is in the calling thread's queue (WAIT_OBJECT_0
// + count), or the time runs out (WAIT_TIMEOUT). Handles are process handles.
// waitAll TRUE is not supported: WAIT_FAILED with ERROR_INVALID_PARAMETER.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                DWORD wakeMask);

// ---- window classes and message-only windows -----------------------------------

using WNDPROC = LRESULT(CALLBACK*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

struct tagWNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};
using WNDCLASSA = tagWNDCLASSA;

// The parent that makes a window message-only: never shown, only a procedure
// and a place in the handle space to post messages to.
#define HWND_MESSAGE (reinterpret_cast<HWND>(static_cast<LONG_PTR>(-3)))

// A class of this process, by name (ASCII case does not matter). 0 with
// ERROR_CLASS_ALREADY_EXISTS for a name already registered,
// ERROR_INVALID_PARAMETER without a procedure or a name.
ATOM RegisterClassA(const WNDCLASSA* windowClass);
// FALSE with ERROR_CLASS_DOES_NOT_EXIST, or ERROR_CLASS_HAS_WINDOWS while
// windows of the class live.
BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);
// Makes a message-only window (parent HWND_MESSAGE) of the calling thread; its
// procedure gets the messages sent or dispatched to it. Null with
// ERROR_CANNOT_FIND_WND_CLASS for an unknown class, ERROR_INVALID_PARAMETER for
// any other parent (the framework makes its own windows, see user32_driver.h).
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
// Sends WM_DESTROY to the window, then ends it: its handle names no window
// afterwards and its queued messages are dropped. FALSE with
// ERROR_ACCESS_DENIED for a window of another thread.
BOOL DestroyWindow(HWND window);
// The default handling: 0 for every message here.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

inline constexpr int GWLP_WNDPROC = -4;
inline constexpr int GWLP_USERDATA = -21;
// The window's user data (GWLP_USERDATA) or procedure (GWLP_WNDPROC); the
// previous value is returned. 0 with ERROR_INVALID_WINDOW_HANDLE.
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrA(HWND window, int index);

// ---- every window ----------------------------------------------------------------

// SM_CXSCREEN, SM_CYSCREEN, SM_CXICON, SM_CYICON, SM_CXSMICON, SM_CYSMICON.
int GetSystemMetrics(int index);

// A handle that names a live window: one made here, one of the framework's, or
// a top-level window on the display.
BOOL IsWindow(HWND window);
BOOL IsWindowVisible(HWND window);
// SW_* below; TRUE when the window was visible before.
BOOL ShowWindow(HWND window, int showCommand);

using WNDENUMPROC = BOOL(CALLBACK*)(HWND window, LPARAM data);

// Calls `callback` for each top-level window of the display (on X11 the
// window manager's client list), until it returns FALSE; then the result is
// FALSE, else TRUE. Without a display, or one whose window manager lists no
// clients, nothing is visited and the result is TRUE.
BOOL EnumWindows(WNDENUMPROC callback, LPARAM data);

// The thread that made the window, and its process in *processId when that is
// not null. For a window of the display, the process its _NET_WM_PID names
// (and the same id as thread: a process's main thread has the process's id
// here). 0 when the handle names no window or the window names no process.
DWORD GetWindowThreadProcessId(HWND window, DWORD* processId);

// A control's dialog, or a display window's owner (the window it is transient
// for); null for none.
HWND GetParent(HWND window);

// Copies the window's title (a framework window's text) in the ANSI code
// page, at most maxCount - 1 bytes (never half a character) and a terminator;
// returns the length copied. 0 for a window without a title or maxCount < 1.
int GetWindowTextA(HWND window, LPSTR text, int maxCount);
