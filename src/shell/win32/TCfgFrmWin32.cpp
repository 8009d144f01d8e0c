#include "shell/win32/TCfgFrmWin32.h"

#include <commctrl.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <iterator>

namespace zelmar {

namespace {

constexpr int kClientWidth = 545;
constexpr int kClientHeight = 422;
constexpr COLORREF kCream = 0x00F0FBFF;
constexpr const char* kClassName = "ZelmarCfgFrm";
constexpr UINT kWmDpiChanged = 0x02E0;  // WM_DPICHANGED, which older headers lack
constexpr const char* kPictureResource = "DIALOG_PICTURE";

// Child window ids: the handlers are found by them.
enum : int {
  idLabel = 100,  // every label and group box: no handler
  idImage1,
  idzelmarType,
  idshowFPS,
  idplandata,
  idselectplan,
  idplanSpd,
  idmoveSpd,
  idlowBtn,
  idmediumBtn,
  idhighBtn,
  idvhighBtn,
  idObjQual,
  idTextureQual,
  idCorona,
  idLensFlare,
  idGlare,
  idokBtn,
  idcancelBtn,
  idapplyBtn,
  idButton1,
  idplanetsToday,
  idshowClock,
  idconstellations
};

// Releases a COM interface when it goes out of scope.
template <typename T>
class TCom {
 public:
  TCom() = default;
  ~TCom() {
    if (p_) p_->Release();
  }
  TCom(const TCom&) = delete;
  TCom& operator=(const TCom&) = delete;
  T** operator&() { return &p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

HFONT DialogFont(const char* face, int height) {
  return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, face);
}

SIZE TextSize(HFONT font, const char* text) {
  SIZE size{};
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return size;
}

// The closed height of a drop-down list follows its font; the layout gives it 21 pixels. Its
// selection field is set until the whole box measures that: what the field's height adds up to
// differs between systems (Wine adds two pixels to the height it is given).
void SetClosedHeight(HWND combo, int height) {
  LRESULT field = SendMessageA(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  if (field == CB_ERR) return;
  for (int attempt = 0; attempt < 4; ++attempt) {
    RECT r{};
    GetWindowRect(combo, &r);
    const int off = height - (r.bottom - r.top);
    if (off == 0 || field + off < 1) return;
    field += off;
    SendMessageA(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
  }
}

// The system's DPI: the primary monitor's, as a DPI-aware program is told it.
int SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

}  // namespace

HBITMAP LoadDialogPicture() {
  HRSRC found = FindResourceA(nullptr, kPictureResource, MAKEINTRESOURCEA(10));  // RT_RCDATA
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  auto* data = loaded ? static_cast<BYTE*>(LockResource(loaded)) : nullptr;
  const DWORD size = found ? SizeofResource(nullptr, found) : 0;
  if (!data || !size) return nullptr;

  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HBITMAP bitmap = nullptr;
  {
    TCom<IWICImagingFactory> factory;
    TCom<IWICStream> stream;
    TCom<IWICBitmapDecoder> decoder;
    TCom<IWICBitmapFrameDecode> frame;
    TCom<IWICFormatConverter> converter;
    UINT w = 0, h = 0;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromMemory(data, size)) &&
        SUCCEEDED(factory->CreateDecoderFromStream(stream.operator->(), nullptr,
                                                   WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) &&
        SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame.operator->(), GUID_WICPixelFormat32bppBGR,
                                        WICBitmapDitherTypeNone, nullptr, 0,
                                        WICBitmapPaletteTypeCustom)) &&
        SUCCEEDED(converter->GetSize(&w, &h)) && w > 0 && h > 0) {
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof info.bmiHeader;
      info.bmiHeader.biWidth = static_cast<LONG>(w);
      info.bmiHeader.biHeight = -static_cast<LONG>(h);  // top row first, as WIC gives it
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      void* bits = nullptr;
      bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
      if (bitmap &&
          FAILED(converter->CopyPixels(nullptr, w * 4, w * h * 4, static_cast<BYTE*>(bits)))) {
        DeleteObject(bitmap);
        bitmap = nullptr;
      }
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return bitmap;
}

TCfgFrmWin32::TCfgFrmWin32(HWND owner, int dpi) : owner_(owner), dpi_(dpi > 0 ? dpi : SystemDpi()) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  cream_ = CreateSolidBrush(kCream);
  MakeFonts();
  picture_ = LoadDialogPicture();

  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));  // the program's icon, when it has one
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hbrBackground = nullptr;                                  // WM_ERASEBKGND paints cream
  wc.lpszClassName = kClassName;
  RegisterClassExA(&wc);  // fails harmlessly when a former dialog registered it

  // A dialog frame with the system menu and its close box only: no resizing, no minimise.
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  const int clientWidth = Scaled(kClientWidth), clientHeight = Scaled(kClientHeight);
  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  hwnd_ = CreateWindowExA(exStyle, kClassName, "Configuration", style, CW_USEDEFAULT, CW_USEDEFAULT,
                          frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                          instance, this);
  if (!hwnd_) return;
  FitClientArea();
  CreateControls();
  FormCreate();
}

void TCfgFrmWin32::FitClientArea() {
  // The frame's metrics follow the system's DPI, which need not be the dialog's: the client
  // area is made exactly the layout's.
  RECT window{}, client{};
  GetWindowRect(hwnd_, &window);
  GetClientRect(hwnd_, &client);
  SetWindowPos(hwnd_, nullptr, 0, 0,
               window.right - window.left + Scaled(kClientWidth) - client.right,
               window.bottom - window.top + Scaled(kClientHeight) - client.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TCfgFrmWin32::MakeFonts() {
  for (HFONT font : {font_, titleFont_})
    if (font) DeleteObject(font);
  // MS Sans Serif is a bitmap font of a few sizes: at another DPI its TrueType successor, which
  // Windows itself puts in its place, scales with the layout.
  font_ = DialogFont(dpi_ == 96 ? "MS Sans Serif" : "Microsoft Sans Serif", -Scaled(11));
  titleFont_ = DialogFont("Arial Black", -Scaled(21));
}

void TCfgFrmWin32::SetDpi(int dpi) {
  if (dpi <= 0 || dpi == dpi_ || !hwnd_) return;
  dpi_ = dpi;
  MakeFonts();
  for (const TPlaced& p : placed_) {
    const HFONT font = p.Window == Label1 ? titleFont_ : font_;
    SendMessageA(p.Window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    int w = Scaled(p.Width), h = Scaled(p.Height);
    if (p.Width == 0) {
      char text[128] = {};
      GetWindowTextA(p.Window, text, sizeof text);
      const SIZE size = TextSize(font, text);
      w = size.cx;
      h = size.cy;
    }
    SetWindowPos(p.Window, nullptr, Scaled(p.X), Scaled(p.Y), w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  for (HWND combo : {TextureQual, selectplan, ObjQual, zelmarType})
    SetClosedHeight(combo, Scaled(21));
  for (HWND bar : {planSpd, moveSpd})
    SendMessageA(bar, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(Scaled(15)), 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

TCfgFrmWin32::~TCfgFrmWin32() {
  ReleaseOwner();
  if (hwnd_) DestroyWindow(hwnd_);
  for (HGDIOBJ object : std::initializer_list<HGDIOBJ>{font_, titleFont_, cream_, picture_})
    if (object) DeleteObject(object);
}

void TCfgFrmWin32::CreateControls() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND previous = HWND_TOP;
  // Children are made in the form's tab order (their stacking order, which the dialog manager's
  // Tab follows); a group box's controls belong to the form at the box's offset, so that their
  // notifications reach the form, and the boxes and labels come last, beneath the controls.
  // Places in the layout's pixels at 96 DPI, scaled to the dialog's; a label's measured size is
  // in pixels already.
  auto makeAt = [&](const char* cls, const char* text, DWORD style, int id, int x, int y, int w,
                    int h) {
    HWND child =
        CreateWindowExA(0, cls, text, WS_CHILD | WS_CLIPSIBLINGS | style, x, y, w, h, hwnd_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SetWindowPos(child, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = child;
    return child;
  };
  auto make = [&](const char* cls, const char* text, DWORD style, int id, int x, int y, int w,
                  int h) {
    HWND child = makeAt(cls, text, style, id, Scaled(x), Scaled(y), Scaled(w), Scaled(h));
    placed_.push_back({child, x, y, w, h});
    return child;
  };
  const DWORD visible = WS_VISIBLE;
  const DWORD tab = WS_VISIBLE | WS_TABSTOP;
  // The controls of settings start without a value: FormCreate shows the values.
  auto dropDown = [&](const char* setting, int id, std::initializer_list<const char*> items, int x,
                      int y) {
    HWND box = make(WC_COMBOBOXA, "", tab | CBS_DROPDOWNLIST | WS_VSCROLL, id, x, y, 105, 120);
    for (const char* item : items)
      SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SetClosedHeight(box, Scaled(21));
    return Bind(setting, box, TControlKind::List);
  };
  auto checkBox = [&](const char* setting, int id, const char* text, int x, int y, int w) {
    return Bind(setting, make(WC_BUTTONA, text, tab | BS_AUTOCHECKBOX, id, x, y, w, 17),
                TControlKind::CheckBox);
  };
  auto trackBar = [&](const char* setting, int id, int x, int y) {
    HWND bar =
        make(TRACKBAR_CLASSA, "", tab | TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS | TBS_FIXEDLENGTH, id,
             x, y, 105, 25);
    const TSettingRow& row = Setting(setting);
    SendMessageA(bar, TBM_SETRANGE, FALSE, MAKELPARAM(row.Low, row.High));
    SendMessageA(bar, TBM_SETTICFREQ, 1, 0);
    SendMessageA(bar, TBM_SETLINESIZE, 0, 1);
    SendMessageA(bar, TBM_SETPAGESIZE, 0, 2);
    SendMessageA(bar, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(Scaled(15)), 0);
    return Bind(setting, bar, TControlKind::TrackBar);
  };
  auto button = [&](int id, const char* text, int x, int y, int w, int h, DWORD style = 0) {
    return make(WC_BUTTONA, text, style | BS_PUSHBUTTON, id, x, y, w, h);
  };
  auto label = [&](const char* text, int x, int y, int w = 0, int h = 0) {
    if (w == 0) {  // sized to its text
      const SIZE size = TextSize(font_, text);
      HWND child = makeAt(WC_STATICA, text, visible | SS_LEFT | SS_NOPREFIX, idLabel, Scaled(x),
                          Scaled(y), size.cx, size.cy);
      placed_.push_back({child, x, y, 0, 0});
      return child;
    }
    return make(WC_STATICA, text, visible | SS_LEFT | SS_NOPREFIX, idLabel, x, y, w, h);
  };
  auto groupBox = [&](const char* text, int x, int y, int w, int h) {
    return make(WC_BUTTONA, text, visible | BS_GROUPBOX, idLabel, x, y, w, h);
  };
  constexpr int g2x = 240, g2y = 16;   // GroupBox2
  constexpr int g3x = 240, g3y = 208;  // GroupBox3
  constexpr int efx = 416, efy = 288;  // Effectsbox

  TextureQual = dropDown("Texture_Quality", idTextureQual, {"High", "Medium", "Low"}, 272, 360);
  applyBtn = button(idapplyBtn, "Apply", 160, 384, 73, 25, tab | WS_DISABLED);
  plandata = checkBox("Planetary_Data", idplandata, "Show Planetary Data", 264, 48, 121);
  okBtn = button(idokBtn, "OK", 8, 384, 65, 25, tab | BS_DEFPUSHBUTTON);
  cancelBtn = button(idcancelBtn, "Cancel", 80, 384, 73, 25, tab);
  selectplan = dropDown("Select_Planet", idselectplan, {"Sequentially", "Randomly"}, 416, 96);
  ObjQual = dropDown("Object_Quality", idObjQual, {"High", "Medium", "Low"}, 272, 312);
  planSpd = trackBar("Planet_Speed", idplanSpd, 264, 144);
  moveSpd = trackBar("Move_Speed", idmoveSpd, 416, 144);
  Corona = checkBox("Corona", idCorona, "Corona", efx + 16, efy + 24, 65);
  LensFlare = checkBox("Lens_Flare", idLensFlare, "Lens Flare", efx + 16, efy + 48, 73);
  Glare = checkBox("Glare", idGlare, "Solar Glare", efx + 16, efy + 72, 81);
  zelmarType =
      dropDown("Zelmar_Type", idzelmarType, {"Space", "Brass", "Random"}, g2x + 176, g2y + 32);
  showFPS = checkBox("FPS", idshowFPS, "Show FPS", g2x + 24, g2y + 64, 121);
  lowBtn = button(idlowBtn, kPresetCaptions[0], g3x + 8, g3y + 32, 65, 25, tab);
  mediumBtn = button(idmediumBtn, kPresetCaptions[1], g3x + 80, g3y + 32, 65, 25, tab);
  highBtn = button(idhighBtn, kPresetCaptions[2], g3x + 152, g3y + 32, 65, 25, tab);
  vhighBtn = button(idvhighBtn, kPresetCaptions[3], g3x + 224, g3y + 32, 65, 25, tab);
  // In the free room under the picture, so that nothing of the layout above moves.
  planetsToday =
      checkBox("Planet_Positions", idplanetsToday, "Planets where they are today", 16, 320, 185);
  showClock = checkBox("Clock", idshowClock, "Show Clock", 16, 344, 81);
  constellations = checkBox("Constellations", idconstellations, "Constellations", 104, 344, 121);
  Button1 = button(idButton1, "Button1", 64, 320, 113, 33);  // never shown

  Label1 = label("The Zelmar", 48, 16, 122, 30);
  SendMessageA(Label1, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_), FALSE);
  Label2 = label("by the Zelmar team", 64, 56, 95, 13);
  Image1 = make(WC_STATICA, "", visible | SS_OWNERDRAW, idImage1, 16, 128, 209, 177);
  Label4 = label("Zelmar Type", g2x + 176, g2y + 16);
  Label5 = label("Select Next Planet", g2x + 176, g2y + 64);
  Label8 = label("Planet Speed", g2x + 32, g2y + 104);
  Label9 = label("Movement Speed", g2x + 184, g2y + 112);
  Label3 = label("Object Quality", g3x + 32, g3y + 88);
  Label7 = label("Texture Quality", g3x + 32, g3y + 136);
  Effectsbox = groupBox("Special Effects", efx, efy, 105, 105);
  GroupBox2 = groupBox("Display Settings", g2x, g2y, 297, 169);
  GroupBox3 = groupBox("Performance Settings", g3x, g3y, 297, 209);
  // Along the right edge, under the group boxes' borders that it overlaps.
  VerLbl = label("v 1.6", kClientWidth - 24, 0, 24, kClientHeight);
}

HWND TCfgFrmWin32::Bind(const char* setting, HWND control, TControlKind kind) {
  const std::size_t i = IndexOf(Setting(setting));
  controls_[i] = control;
  kinds_[i] = kind;
  return control;
}

const TSettingRow* TCfgFrmWin32::BoundRow(HWND control) const {
  for (const TSettingRow& row : kSettingsTable)
    if (control && controls_[IndexOf(row)] == control) return &row;
  return nullptr;
}

int TCfgFrmWin32::ControlValue(const TSettingRow& row) const {
  HWND control = controls_[IndexOf(row)];
  switch (kinds_[IndexOf(row)]) {
    case TControlKind::List: {
      const LRESULT i = SendMessageA(control, CB_GETCURSEL, 0, 0);
      return i == CB_ERR ? -1 : static_cast<int>(i);
    }
    case TControlKind::TrackBar:
      return static_cast<int>(SendMessageA(control, TBM_GETPOS, 0, 0));
    case TControlKind::CheckBox:
      break;
  }
  return SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TCfgFrmWin32::ShowControlValue(const TSettingRow& row, int value) {
  HWND control = controls_[IndexOf(row)];
  switch (kinds_[IndexOf(row)]) {
    case TControlKind::List:
      // A stored index beyond the list leaves it without a selection, as the list itself does.
      SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
      return;
    case TControlKind::TrackBar:
      SendMessageA(control, TBM_SETPOS, TRUE, value);
      return;
    case TControlKind::CheckBox:
      SendMessageA(control, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
      return;
  }
}

void TCfgFrmWin32::Present() {
  if (!hwnd_) return;
  RECT area{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  RECT r{};
  GetWindowRect(hwnd_, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(hwnd_, nullptr, area.left + (area.right - area.left - w) / 2,
               area.top + (area.bottom - area.top - h) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  // Modal to the settings page that asked, as Windows' own savers' dialogs are: the page waits
  // behind it until it closes.
  if (owner_ && IsWindowEnabled(owner_)) {
    EnableWindow(owner_, FALSE);
    ownerDisabled_ = true;
  }
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
}

void TCfgFrmWin32::ReleaseOwner() {
  if (!ownerDisabled_) return;
  ownerDisabled_ = false;
  if (IsWindow(owner_)) EnableWindow(owner_, TRUE);
}

void TCfgFrmWin32::SetApplyEnabled(bool enabled) {
  // The focus leaves the button it disables, or Tab would have nowhere to start from.
  if (!enabled && GetFocus() == applyBtn) SetFocus(okBtn);
  EnableWindow(applyBtn, enabled ? TRUE : FALSE);
}

void TCfgFrmWin32::Dismiss(bool) {
  Close();
}

void TCfgFrmWin32::Close() {
  // The owner first: Windows then gives it the activation when the dialog goes.
  ReleaseOwner();
  if (hwnd_) DestroyWindow(hwnd_);
}

void TCfgFrmWin32::Command(int id, int code, HWND control) {
  if (const TSettingRow* row = BoundRow(control)) {
    const TControlKind kind = kinds_[IndexOf(*row)];
    if ((kind == TControlKind::List && code == CBN_SELCHANGE) ||
        (kind == TControlKind::CheckBox && code == BN_CLICKED))
      EnableApply();
    return;
  }
  switch (id) {
    case idlowBtn:
      PresetClick(0);
      break;
    case idmediumBtn:
      PresetClick(1);
      break;
    case idhighBtn:
      PresetClick(2);
      break;
    case idvhighBtn:
      PresetClick(3);
      break;
    case idapplyBtn:
      applyBtnClick();
      break;
    case IDOK:  // Enter
    case idokBtn:
      okBtnClick();
      break;
    case IDCANCEL:  // Escape
    case idcancelBtn:
      cancelBtnClick();
      break;
    case idButton1:
      PreviewClick();
      break;
    default:
      break;
  }
}

LRESULT CALLBACK TCfgFrmWin32::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TCfgFrmWin32*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_ERASEBKGND: {
      RECT r{};
      GetClientRect(hwnd, &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, self->cream_);
      return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      // Labels, group boxes, check boxes and track bars sit on the form's cream.
      auto dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, kCream);
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(self->cream_);
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID != idImage1) break;
      const RECT& r = item->rcItem;
      if (!self->picture_) {
        FillRect(item->hDC, &r, self->cream_);
        return TRUE;
      }
      BITMAP bm{};
      GetObjectA(self->picture_, sizeof bm, &bm);
      HDC source = CreateCompatibleDC(item->hDC);
      HGDIOBJ old = SelectObject(source, self->picture_);
      // The picture is stretched to its box.
      SetStretchBltMode(item->hDC, HALFTONE);
      StretchBlt(item->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, source, 0, 0,
                 bm.bmWidth, bm.bmHeight, SRCCOPY);
      SelectObject(source, old);
      DeleteDC(source);
      return TRUE;
    }
    case WM_COMMAND:
      self->Command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_HSCROLL:
      // A track bar moved by the user (setting a position from code sends nothing).
      if (const TSettingRow* row = self->BoundRow(reinterpret_cast<HWND>(lParam));
          row && self->kinds_[IndexOf(*row)] == TControlKind::TrackBar)
        self->EnableApply();
      return 0;
    case kWmDpiChanged: {
      // Moved to a monitor of another DPI: laid out again at it, in the place Windows suggests
      // (which keeps the dialog under the pointer), the client area the layout's.
      self->SetDpi(LOWORD(wParam));
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      if (suggested)
        SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      self->FitClientArea();
      return 0;
    }
    case WM_CLOSE:
      self->cancelBtnClick();
      return 0;
    case WM_NCDESTROY:
      // However the dialog went, the page behind it is usable again.
      self->ReleaseOwner();
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
      // A click sent from another thread closes the dialog without anything posted; the loop
      // that waits for the dialog to close gets a message to wake up to.
      PostMessageA(nullptr, WM_NULL, 0, 0);
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace zelmar
