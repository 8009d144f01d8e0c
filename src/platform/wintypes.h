// The handful of Windows base types and macros that the window-system and render layers share,
// so that the engine and shell code read as their Win32 counterparts do. On Windows they are the
// real ones from <windows.h>; on X11 our own, where a window handle is the X window id.
#pragma once

#if defined(_WIN32)

#include <windows.h>

#include <cstdint>

// <windowsx.h> has these too, but also macros (SubclassWindow and others) that would rename
// our own functions.
#ifndef GET_X_LPARAM
constexpr int GET_X_LPARAM(LPARAM v) {
  return static_cast<std::int16_t>(LOWORD(v));
}
constexpr int GET_Y_LPARAM(LPARAM v) {
  return static_cast<std::int16_t>(HIWORD(v));
}
#endif

// Our code compares rectangles and points as values, as the X11 build's own types allow.
inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator==(const POINT& a, const POINT& b) {
  return a.x == b.x && a.y == b.y;
}
inline bool operator==(const SIZE& a, const SIZE& b) {
  return a.cx == b.cx && a.cy == b.cy;
}

#else

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using INT = std::int32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using BOOL = std::int32_t;
using FLOAT = float;
using HRESULT = std::int32_t;
using COLORREF = std::uint32_t;  // 0x00BBGGRR
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// Handles are opaque integers: an X window id for windows, a layer-owned id for the rest.
using HANDLE = std::uintptr_t;
using HWND = std::uintptr_t;
using HINSTANCE = std::uintptr_t;
using HMODULE = std::uintptr_t;
using HMENU = std::uintptr_t;
using HCURSOR = std::uintptr_t;
using HICON = std::uintptr_t;
using HFONT = std::uintptr_t;
using HDC = std::uintptr_t;
using HBITMAP = std::uintptr_t;
using HGDIOBJ = std::uintptr_t;
using HMONITOR = std::uintptr_t;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
  friend bool operator==(const RECT&, const RECT&) = default;
};

struct POINT {
  LONG x = 0;
  LONG y = 0;
  friend bool operator==(const POINT&, const POINT&) = default;
};

struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
  friend bool operator==(const SIZE&, const SIZE&) = default;
};

constexpr WORD LOWORD(std::uintptr_t v) {
  return static_cast<WORD>(v & 0xFFFF);
}
constexpr WORD HIWORD(std::uintptr_t v) {
  return static_cast<WORD>((v >> 16) & 0xFFFF);
}
// Signed halves, for coordinates packed into lParam (GET_X_LPARAM / GET_Y_LPARAM).
constexpr int GET_X_LPARAM(LPARAM v) {
  return static_cast<std::int16_t>(LOWORD(v));
}
constexpr int GET_Y_LPARAM(LPARAM v) {
  return static_cast<std::int16_t>(HIWORD(v));
}
constexpr LPARAM MAKELPARAM(int lo, int hi) {
  return static_cast<LPARAM>(static_cast<DWORD>((static_cast<WORD>(lo)) |
                                                (static_cast<DWORD>(static_cast<WORD>(hi)) << 16)));
}
constexpr WPARAM MAKEWPARAM(int lo, int hi) {
  return static_cast<WPARAM>(MAKELPARAM(lo, hi));
}

constexpr bool SUCCEEDED(HRESULT hr) {
  return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
  return hr < 0;
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);

#endif
