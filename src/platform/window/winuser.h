// The window-system calls the framework and the saver window make, with Windows' names and
// numeric values, implemented over Qt. Plain C++: the engine and the scene may include it.
//
// Messages. Input, paint, timer, activation and posted messages are "queued": they pass the
// application's message hook (TApplication::SetOnMessage) before they reach the window
// procedure. Everything else (WM_SIZE, WM_SETCURSOR, WM_NCHITTEST, WM_SHOWWINDOW,
// WM_SYSCOMMAND, WM_CLOSE from the default procedure, WM_DESTROY and SendMessageA) goes straight
// to the window procedure. Activation messages are queued here because the saver ends on them.
// Mouse messages carry the cursor in screen coordinates in lParam (and in MSG::pt): the saver
// compares them with GetCursorPos, and a window that does not sit at the screen origin must not
// look like a moved mouse. WM_ENTERMENULOOP/WM_EXITMENULOOP and WM_ENTERSIZEMOVE/
// WM_EXITSIZEMOVE have no X11 counterpart (no menus, the window manager moves windows); they
// arrive only when someone sends them.
#pragma once

#include <functional>
#include <string>

#include "platform/wintypes.h"

// A window procedure of ours: a std::function, so that an object can hook a window with a bound
// method; SubclassWindow returns the previous one, which CallWindowProcA chains to. (On Windows
// WindowProcedure and TimerProcedure are the API's plain function pointers.)
using WindowProcedure = std::function<LRESULT(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)>;
// Called instead of the window procedure for WM_TIMER of a timer set with a procedure.
using TimerProcedure = std::function<void(HWND hwnd, UINT msg, UINT_PTR id, DWORD time)>;

#if defined(_WIN32)

// On Windows the real API (<windows.h>, through wintypes.h); the Win32 window layer adds the
// calls below that take our procedures, and the message-box hook.
LRESULT CallWindowProcA(const WindowProcedure& prev, HWND hwnd, UINT msg, WPARAM wParam,
                        LPARAM lParam);
WindowProcedure SubclassWindow(HWND hwnd, WindowProcedure proc);
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TimerProcedure proc = {});
// Message boxes go through the hook below when one is installed, so that a test never meets a
// box that waits for a click: the name stands for ours.
int ZelmarMessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
#define MessageBoxA ZelmarMessageBoxA

#else

// Window messages.
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_NCACTIVATE = 0x0086;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_ENTERMENULOOP = 0x0211;
constexpr UINT WM_EXITMENULOOP = 0x0212;
constexpr UINT WM_ENTERSIZEMOVE = 0x0231;
constexpr UINT WM_EXITSIZEMOVE = 0x0232;
constexpr UINT WM_USER = 0x0400;

// WM_SIZE wParam.
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;

// WM_ACTIVATE wParam (low word).
constexpr WORD WA_INACTIVE = 0;
constexpr WORD WA_ACTIVE = 1;
constexpr WORD WA_CLICKACTIVE = 2;

// WM_NCHITTEST results.
constexpr LRESULT HTNOWHERE = 0;
constexpr LRESULT HTCLIENT = 1;

// WM_SYSCOMMAND wParam.
constexpr WPARAM SC_SIZE = 0xF000;
constexpr WPARAM SC_MOVE = 0xF010;
constexpr WPARAM SC_MINIMIZE = 0xF020;
constexpr WPARAM SC_MAXIMIZE = 0xF030;
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_KEYMENU = 0xF100;
constexpr WPARAM SC_RESTORE = 0xF120;
constexpr WPARAM SC_SCREENSAVE = 0xF140;
constexpr WPARAM SC_MONITORPOWER = 0xF170;

// Mouse-message wParam flags.
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;
constexpr int WHEEL_DELTA = 120;

// Window styles.
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_MINIMIZE = 0x20000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_MAXIMIZE = 0x01000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD WS_POPUPWINDOW = WS_POPUP | WS_BORDER | WS_SYSMENU;

constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000;

// GetWindowLongA / SetWindowLongA indices.
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWLP_USERDATA = -21;

// SetWindowPos.
inline const HWND HWND_TOP = 0;
inline const HWND HWND_BOTTOM = 1;
inline const HWND HWND_TOPMOST = static_cast<HWND>(-1);
inline const HWND HWND_NOTOPMOST = static_cast<HWND>(-2);
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOREDRAW = 0x0008;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
constexpr UINT SWP_NOCOPYBITS = 0x0100;
constexpr UINT SWP_NOOWNERZORDER = 0x0200;
constexpr UINT SWP_NOSENDCHANGING = 0x0400;

// ShowWindow.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_MAXIMIZE = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;

// Predefined cursors for LoadCursorA (their resource ids).
constexpr UINT_PTR IDC_ARROW = 32512;
constexpr UINT_PTR IDC_IBEAM = 32513;
constexpr UINT_PTR IDC_WAIT = 32514;
constexpr UINT_PTR IDC_CROSS = 32515;
constexpr UINT_PTR IDC_HAND = 32649;

// Message boxes.
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0x000000F0;
constexpr UINT MB_TASKMODAL = 0x00002000;
constexpr UINT MB_SETFOREGROUND = 0x00010000;
constexpr UINT MB_TOPMOST = 0x00040000;
constexpr int IDOK = 1;

// SystemParametersInfoA.
constexpr UINT SPI_SETSCREENSAVERRUNNING = 97;
constexpr UINT SPI_SCREENSAVERRUNNING = SPI_SETSCREENSAVERRUNNING;
constexpr UINT SPI_GETSCREENSAVERRUNNING = 0x0072;

// GetSystemMetrics.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;

// Virtual-key codes (WM_KEYDOWN wParam). Letters and digits are their upper-case ASCII codes.
constexpr WPARAM VK_BACK = 0x08;
constexpr WPARAM VK_TAB = 0x09;
constexpr WPARAM VK_CLEAR = 0x0C;
constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_SHIFT = 0x10;
constexpr WPARAM VK_CONTROL = 0x11;
constexpr WPARAM VK_MENU = 0x12;
constexpr WPARAM VK_PAUSE = 0x13;
constexpr WPARAM VK_CAPITAL = 0x14;
constexpr WPARAM VK_ESCAPE = 0x1B;
constexpr WPARAM VK_SPACE = 0x20;
constexpr WPARAM VK_PRIOR = 0x21;
constexpr WPARAM VK_NEXT = 0x22;
constexpr WPARAM VK_END = 0x23;
constexpr WPARAM VK_HOME = 0x24;
constexpr WPARAM VK_LEFT = 0x25;
constexpr WPARAM VK_UP = 0x26;
constexpr WPARAM VK_RIGHT = 0x27;
constexpr WPARAM VK_DOWN = 0x28;
constexpr WPARAM VK_SNAPSHOT = 0x2C;
constexpr WPARAM VK_INSERT = 0x2D;
constexpr WPARAM VK_DELETE = 0x2E;
constexpr WPARAM VK_HELP = 0x2F;
constexpr WPARAM VK_LWIN = 0x5B;
constexpr WPARAM VK_RWIN = 0x5C;
constexpr WPARAM VK_APPS = 0x5D;
constexpr WPARAM VK_NUMPAD0 = 0x60;
constexpr WPARAM VK_MULTIPLY = 0x6A;
constexpr WPARAM VK_ADD = 0x6B;
constexpr WPARAM VK_SUBTRACT = 0x6D;
constexpr WPARAM VK_DECIMAL = 0x6E;
constexpr WPARAM VK_DIVIDE = 0x6F;
constexpr WPARAM VK_F1 = 0x70;
constexpr WPARAM VK_F10 = 0x79;
constexpr WPARAM VK_F24 = 0x87;
constexpr WPARAM VK_NUMLOCK = 0x90;
constexpr WPARAM VK_SCROLL = 0x91;
constexpr WPARAM VK_OEM_1 = 0xBA;
constexpr WPARAM VK_OEM_PLUS = 0xBB;
constexpr WPARAM VK_OEM_COMMA = 0xBC;
constexpr WPARAM VK_OEM_MINUS = 0xBD;
constexpr WPARAM VK_OEM_PERIOD = 0xBE;
constexpr WPARAM VK_OEM_2 = 0xBF;
constexpr WPARAM VK_OEM_3 = 0xC0;
constexpr WPARAM VK_OEM_4 = 0xDB;
constexpr WPARAM VK_OEM_5 = 0xDC;
constexpr WPARAM VK_OEM_6 = 0xDD;
constexpr WPARAM VK_OEM_7 = 0xDE;

struct MSG {
  HWND hwnd = 0;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;  // milliseconds since the layer started
  POINT pt;        // cursor position in screen coordinates when the message was made
};

// Windows. Every function taking an HWND fails quietly (FALSE, 0) for a handle that names no
// window of this process.
HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                     int x, int y, int width, int height, HWND parent, HMENU menu,
                     HINSTANCE instance, void* param);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
BOOL ShowWindow(HWND hwnd, int cmdShow);
BOOL SetWindowTextA(HWND hwnd, const char* text);
HWND GetActiveWindow();

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcA(const WindowProcedure& prev, HWND hwnd, UINT msg, WPARAM wParam,
                        LPARAM lParam);
// Replaces the window's procedure and returns the one it had (DefWindowProcA at first).
WindowProcedure SubclassWindow(HWND hwnd, WindowProcedure proc);

LONG GetWindowLongA(HWND hwnd, int index);
LONG SetWindowLongA(HWND hwnd, int index, LONG value);
LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
HMENU GetMenu(HWND hwnd);
BOOL SetMenu(HWND hwnd, HMENU menu);  // no menu bars on Linux: the value is only kept

BOOL GetWindowRect(HWND hwnd, RECT* rect);  // frame included, screen coordinates
BOOL GetClientRect(HWND hwnd, RECT* rect);  // (0, 0, width, height)
// A WS_POPUP window placed on exactly its screen's rectangle is made full screen for the
// window manager too, so that panels stay below it.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// Cursor. ShowCursor keeps Windows' display counter: the cursor is shown while it is >= 0.
int ShowCursor(BOOL show);
HCURSOR SetCursor(HCURSOR cursor);  // 0 hides it until the next SetCursor
HCURSOR LoadCursorA(HINSTANCE instance, UINT_PTR id);
BOOL ClipCursor(const RECT* rect);  // confines the pointer to the window at that rectangle
BOOL GetClipCursor(RECT* rect);
BOOL GetCursorPos(POINT* point);
BOOL SetCursorPos(int x, int y);
BOOL ScreenToClient(HWND hwnd, POINT* point);
BOOL ClientToScreen(HWND hwnd, POINT* point);
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();

// Timers: WM_TIMER (wParam = id) through the message loop; ticks do not pile up when the loop
// is busy. With hwnd 0 a new id is returned and the procedure is required.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TimerProcedure proc = {});
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// System. SPI_SETSCREENSAVERRUNNING asks the desktop not to blank the screen while set
// (org.freedesktop.ScreenSaver over D-Bus where that service runs; nothing elsewhere). pvParam,
// when given, receives the previous state as a BOOL.
BOOL SystemParametersInfoA(UINT action, UINT uiParam, void* pvParam, UINT winIni);
int GetSystemMetrics(int index);
void Sleep(DWORD ms);

// Message boxes (Windows-1252 text, "\r\n" line breaks). Shows a modal box and returns IDOK.
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

#endif

// Tests install a hook to see the box instead of showing it; its result is MessageBoxA's.
using MessageBoxHook =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;
void SetMessageBoxHook(MessageBoxHook hook);
