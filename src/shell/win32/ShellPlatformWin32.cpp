// The shell's platform on Windows: Win32 windows, the real Direct3D 9, WIC for the PNG file.
#include <objbase.h>
#include <psapi.h>
#include <wincodec.h>

#include <cstdio>
#include <string>

#include "platform/render/Ref.h"
#include "platform/window/TApplication.h"
#include "shell/ShellPlatform.h"
#include "shell/settings/Settings.h"
#include "shell/settings/SettingsOptions.h"

namespace zelmar {

namespace {

constexpr const char* kFormClass = "ZelmarForm";
// Set on a saver's window that has been hidden for good (HideSaverWindow).
constexpr const char* kKeepHidden = "ZelmarKeepHidden";

// A form may be smaller than Windows' least size of a captioned window (the saver window's
// client area is 104 pixels wide). A form hidden for good refuses to be shown again, whether
// by SetWindowPos or by its style.
LRESULT CALLBACK FormProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_GETMINMAXINFO:
      reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {1, 1};
      return 0;
    case WM_WINDOWPOSCHANGING:
      if (GetPropA(window, kKeepHidden))
        reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
      break;
    case WM_STYLECHANGING:
      if (wParam == static_cast<WPARAM>(GWL_STYLE) && GetPropA(window, kKeepHidden))
        reinterpret_cast<STYLESTRUCT*>(lParam)->styleNew &= ~static_cast<DWORD>(WS_VISIBLE);
      break;
    case WM_NCDESTROY:
      RemovePropA(window, kKeepHidden);
      break;
    default:
      break;
  }
  return DefWindowProcA(window, msg, wParam, lParam);
}

bool RegisterFormClass() {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = FormProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = LoadIconA(wc.hInstance, MAKEINTRESOURCEA(1));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kFormClass;
    return RegisterClassA(&wc) != 0;
  }();
  return registered;
}

// What Windows says about an error code, on one line.
std::string ErrorText(DWORD code) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string s = length ? std::string(text, length) : std::string();
  if (text) LocalFree(text);
  while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ')) s.pop_back();
  char code16[32];
  std::snprintf(code16, sizeof code16, "error 0x%08lX", static_cast<unsigned long>(code));
  return s.empty() ? std::string(code16) : s + " (" + code16 + ")";
}

std::wstring Wide(const std::string& s) {
  const int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
  std::wstring w(n > 0 ? static_cast<std::size_t>(n) : 1, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
  w.resize(w.size() - 1);
  return w;
}

HRESULT EncodePng(const std::wstring& path, const TFramePicture& picture) {
  // The thread stays in its apartment: image loading uses it too.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  Ref<IWICImagingFactory> factory;
  Ref<IWICStream> stream;
  Ref<IWICBitmapEncoder> encoder;
  Ref<IWICBitmapFrameEncode> frame;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(&factory));
  if (SUCCEEDED(hr)) hr = factory->CreateStream(&stream);
  if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
  if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
  if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
  if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&frame, nullptr);
  if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
  const UINT w = static_cast<UINT>(picture.Width), h = static_cast<UINT>(picture.Height);
  if (SUCCEEDED(hr)) hr = frame->SetSize(w, h);
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
  if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
  if (SUCCEEDED(hr) && format != GUID_WICPixelFormat32bppBGR) hr = E_FAIL;
  if (SUCCEEDED(hr))
    hr = frame->WritePixels(
        h, w * 4, w * h * 4,
        reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(picture.Pixels.data())));
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  if (SUCCEEDED(hr)) hr = stream->Commit(STGC_DEFAULT);
  return hr;
}

}  // namespace

std::string ProgramPath() {
  char path[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  return n > 0 && n < sizeof path ? std::string(path, n) : std::string();
}

void UseXDisplay(const TSettingsOptions&) {}

void ConnectConsole() {
  // Started from a console with nowhere for the output to go: take the console's.
  if (GetStdHandle(STD_ERROR_HANDLE) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
  std::freopen("CONOUT$", "w", stdout);
  std::freopen("CONOUT$", "w", stderr);
}

std::string DisplayProblem() {
  return {};  // Windows always has its desktop
}

std::string PlatformEnvironmentHelp() {
  return "Stored settings: each value from HKEY_CURRENT_USER\\Software\\Zelmar, else from\n"
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar, else its default.\n";
}

std::string InstalledMapCredits() {
  return {};  // no packages bring planet maps on Windows
}

bool RunPlatformMode(const std::vector<std::string>&, const char*, int&) {
  return false;
}

bool PrepareDisplay(int) {
  return true;
}

// Windows ends a screen saver with a message, not a signal, and has no display to lose.
std::unique_ptr<TProcessEnd> WatchProcessEnd(TApplication&) {
  return nullptr;
}

void UseRenderPlatform() {}  // Direct3DCreate9 is Windows' own

HWND CreateFormWindow(const char* Caption, int Width, int Height, bool AtOrigin, HWND Host) {
  if (!RegisterFormClass()) return 0;
  if (Host) {
    HWND child = CreateWindowExA(0, kFormClass, Caption, WS_CHILD | WS_DISABLED | WS_VISIBLE, 0, 0,
                                 Width, Height, Host, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (child)
      if (TApplication* app = TApplication::Instance()) app->WindowCreated(child);
    return child;
  }
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  RECT frame{0, 0, Width, Height};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  int x = 0, y = 0;
  if (!AtOrigin) {
    x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  }
  HWND window = CreateWindowExA(0, kFormClass, Caption, style, x, y, w, h, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  if (window)
    if (TApplication* app = TApplication::Instance()) app->WindowCreated(window);
  return window;
}

double DisplayRefreshRate(HWND Window) {
  MONITORINFOEXA monitor{};
  monitor.cbSize = sizeof monitor;
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  if (!GetMonitorInfoA(MonitorFromWindow(Window, MONITOR_DEFAULTTOPRIMARY), &monitor) ||
      !EnumDisplaySettingsA(monitor.szDevice, ENUM_CURRENT_SETTINGS, &mode))
    return 0.0;
  // 0 and 1 stand for the hardware's default rate, which Windows does not tell.
  return mode.dmDisplayFrequency > 1 ? static_cast<double>(mode.dmDisplayFrequency) : 0.0;
}

void UseInstalledMaps() {}  // no packages bring planet maps on Windows

void HideSaverWindow(HWND Window) {
  if (!IsWindow(Window)) return;
  SetPropA(Window, kKeepHidden, reinterpret_cast<HANDLE>(1));
  ShowWindow(Window, SW_HIDE);
}

void DestroyFormWindow(HWND Window) {
  if (Window && IsWindow(Window)) DestroyWindow(Window);
}

bool WaitUntilShown(HWND Window, int TimeoutMs, bool Active, const std::function<bool()>& Stop) {
  auto Shown = [&] {
    return IsWindowVisible(Window) && (!Active || GetForegroundWindow() == Window);
  };
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(TimeoutMs);
  while (!(Stop && Stop()) && !Shown() && GetTickCount64() < deadline) {
    if (TApplication* app = TApplication::Instance()) app->ProcessMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return Shown();
}

bool ReadBackFrame(IDirect3DDevice9* Device, TFramePicture& Picture) {
  if (!Device) return false;
  IDirect3DSurface9* target = nullptr;
  if (FAILED(Device->GetRenderTarget(0, &target))) return false;
  D3DSURFACE_DESC desc{};
  target->GetDesc(&desc);
  bool ok = desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_A8R8G8B8;
  // A multisampled target is resolved first: only a plain one can be copied to memory.
  IDirect3DSurface9* plain = nullptr;
  if (ok && desc.MultiSampleType != D3DMULTISAMPLE_NONE) {
    ok = SUCCEEDED(Device->CreateRenderTarget(desc.Width, desc.Height, desc.Format,
                                              D3DMULTISAMPLE_NONE, 0, FALSE, &plain, nullptr)) &&
         SUCCEEDED(Device->StretchRect(target, nullptr, plain, nullptr, D3DTEXF_NONE));
  }
  IDirect3DSurface9* memory = nullptr;
  ok = ok &&
       SUCCEEDED(Device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                     D3DPOOL_SYSTEMMEM, &memory, nullptr)) &&
       SUCCEEDED(Device->GetRenderTargetData(plain ? plain : target, memory));
  D3DLOCKED_RECT locked{};
  if (ok && SUCCEEDED(memory->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
    Picture.Width = static_cast<int>(desc.Width);
    Picture.Height = static_cast<int>(desc.Height);
    Picture.Pixels.resize(std::size_t{desc.Width} * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(
          static_cast<const BYTE*>(locked.pBits) + y * static_cast<UINT>(locked.Pitch));
      // The back buffer's alpha is no part of the picture.
      for (UINT x = 0; x < desc.Width; ++x)
        Picture.Pixels[std::size_t{y} * desc.Width + x] = row[x] | 0xFF000000u;
    }
    memory->UnlockRect();
  } else {
    ok = false;
  }
  if (memory) memory->Release();
  if (plain) plain->Release();
  target->Release();
  return ok;
}

std::string WritePng(const std::string& File, const TFramePicture& Picture) {
  if (Picture.Width <= 0 || Picture.Height <= 0) return "the picture is empty";
  // Written beside the file under another name, then put in its place: whole or not at all.
  const std::string temporary = File + ".part";
  const HRESULT hr = EncodePng(Wide(temporary), Picture);
  if (FAILED(hr)) {
    DeleteFileA(temporary.c_str());
    return ErrorText(static_cast<DWORD>(hr));
  }
  if (!MoveFileExA(temporary.c_str(), File.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD error = GetLastError();
    DeleteFileA(temporary.c_str());
    return ErrorText(error);
  }
  return {};
}

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0.0;
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>(static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime) /
           1e7;
  };
  return seconds(kernel) + seconds(user);
}

double PeakResidentMB() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0.0;
  return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

void ResetPeakResident() {
  // Windows keeps one peak for the life of the process; the second figure of a benchmark
  // includes the first run's peak.
}

}  // namespace zelmar
