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
constexpr const char* kMessageCaption = "Zelmar";
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
  idButton1
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

TCfgFrm::TCfgFrm(HWND owner, int dpi) : owner_(owner), dpi_(dpi > 0 ? dpi : SystemDpi()) {
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

void TCfgFrm::FitClientArea() {
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

void TCfgFrm::MakeFonts() {
  for (HFONT font : {font_, titleFont_})
    if (font) DeleteObject(font);
  // MS Sans Serif is a bitmap font of a few sizes: at another DPI its TrueType successor, which
  // Windows itself puts in its place, scales with the layout.
  font_ = DialogFont(dpi_ == 96 ? "MS Sans Serif" : "Microsoft Sans Serif", -Scaled(11));
  titleFont_ = DialogFont("Arial Black", -Scaled(21));
}

void TCfgFrm::SetDpi(int dpi) {
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

TCfgFrm::~TCfgFrm() {
  ReleaseOwner();
  if (hwnd_) DestroyWindow(hwnd_);
  for (HGDIOBJ object : std::initializer_list<HGDIOBJ>{font_, titleFont_, cream_, picture_})
    if (object) DeleteObject(object);
}

void TCfgFrm::CreateControls() {
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
  auto dropDown = [&](int id, std::initializer_list<const char*> items, int x, int y,
                      int selected) {
    HWND box = make(WC_COMBOBOXA, "", tab | CBS_DROPDOWNLIST | WS_VSCROLL, id, x, y, 105, 120);
    for (const char* item : items)
      SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    SetClosedHeight(box, Scaled(21));
    return box;
  };
  auto checkBox = [&](int id, const char* text, int x, int y, int w, int checked) {
    HWND box = make(WC_BUTTONA, text, tab | BS_AUTOCHECKBOX, id, x, y, w, 17);
    SendMessageA(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    return box;
  };
  auto trackBar = [&](int id, int x, int y, int position) {
    HWND bar =
        make(TRACKBAR_CLASSA, "", tab | TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS | TBS_FIXEDLENGTH, id,
             x, y, 105, 25);
    SendMessageA(bar, TBM_SETRANGE, FALSE, MAKELPARAM(1, 10));
    SendMessageA(bar, TBM_SETTICFREQ, 1, 0);
    SendMessageA(bar, TBM_SETLINESIZE, 0, 1);
    SendMessageA(bar, TBM_SETPAGESIZE, 0, 2);
    SendMessageA(bar, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(Scaled(15)), 0);
    SendMessageA(bar, TBM_SETPOS, TRUE, position);
    return bar;
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

  TextureQual =
      dropDown(idTextureQual, {"High", "Medium", "Low"}, 272, 360, FormDefault("Texture_Quality"));
  applyBtn = button(idapplyBtn, "Apply", 160, 384, 73, 25, tab | WS_DISABLED);
  plandata =
      checkBox(idplandata, "Show Planetary Data", 264, 48, 121, FormDefault("Planetary_Data"));
  okBtn = button(idokBtn, "OK", 8, 384, 65, 25, tab | BS_DEFPUSHBUTTON);
  cancelBtn = button(idcancelBtn, "Cancel", 80, 384, 73, 25, tab);
  selectplan =
      dropDown(idselectplan, {"Sequentially", "Randomly"}, 416, 96, FormDefault("Select_Planet"));
  ObjQual = dropDown(idObjQual, {"High", "Medium", "Low"}, 272, 312, FormDefault("Object_Quality"));
  planSpd = trackBar(idplanSpd, 264, 144, FormDefault("Planet_Speed"));
  moveSpd = trackBar(idmoveSpd, 416, 144, FormDefault("Move_Speed"));
  Corona = checkBox(idCorona, "Corona", efx + 16, efy + 24, 65, FormDefault("Corona"));
  LensFlare =
      checkBox(idLensFlare, "Lens Flare", efx + 16, efy + 48, 73, FormDefault("Lens_Flare"));
  Glare = checkBox(idGlare, "Solar Glare", efx + 16, efy + 72, 81, FormDefault("Glare"));
  zelmarType = dropDown(idzelmarType, {"Space", "Brass", "Random"}, g2x + 176, g2y + 32,
                        FormDefault("Zelmar_Type"));
  showFPS = checkBox(idshowFPS, "Show FPS", g2x + 24, g2y + 64, 121, FormDefault("FPS"));
  lowBtn = button(idlowBtn, kCfgPresets[0].Caption, g3x + 8, g3y + 32, 65, 25, tab);
  mediumBtn = button(idmediumBtn, kCfgPresets[1].Caption, g3x + 80, g3y + 32, 65, 25, tab);
  highBtn = button(idhighBtn, kCfgPresets[2].Caption, g3x + 152, g3y + 32, 65, 25, tab);
  vhighBtn = button(idvhighBtn, kCfgPresets[3].Caption, g3x + 224, g3y + 32, 65, 25, tab);
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

void TCfgFrm::FormCreate() {
  TCfgSettings values;
  loadProblem_ = values.Load();
  ShowValues(values);
  // The dialog opens with nothing to apply, whatever loading the controls set off.
  EnableWindow(applyBtn, FALSE);
}

TCfgSettings TCfgFrm::Values() const {
  auto selected = [](HWND combo) {
    const LRESULT i = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    return i == CB_ERR ? -1 : static_cast<int>(i);
  };
  auto position = [](HWND bar) { return static_cast<int>(SendMessageA(bar, TBM_GETPOS, 0, 0)); };
  auto checked = [](HWND box) { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; };
  TCfgSettings v;
  v[cvTextureQual] = selected(TextureQual);
  v[cvObjQual] = selected(ObjQual);
  v[cvSelectPlan] = selected(selectplan);
  v[cvPlanSpd] = position(planSpd);
  v[cvMoveSpd] = position(moveSpd);
  v[cvZelmarType] = selected(zelmarType);
  v[cvPlanData] = checked(plandata);
  v[cvShowFPS] = checked(showFPS);
  v[cvGlare] = checked(Glare);
  v[cvLensFlare] = checked(LensFlare);
  v[cvCorona] = checked(Corona);
  return v;
}

void TCfgFrm::ShowValues(const TCfgSettings& v) {
  // A stored index beyond the list leaves it without a selection, as the list itself does.
  auto select = [](HWND combo, int index) {
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  };
  auto place = [](HWND bar, int position) { SendMessageA(bar, TBM_SETPOS, TRUE, position); };
  auto check = [](HWND box, int on) {
    SendMessageA(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  };
  select(TextureQual, v[cvTextureQual]);
  select(ObjQual, v[cvObjQual]);
  select(selectplan, v[cvSelectPlan]);
  place(planSpd, v[cvPlanSpd]);
  place(moveSpd, v[cvMoveSpd]);
  select(zelmarType, v[cvZelmarType]);
  check(plandata, v[cvPlanData]);
  check(showFPS, v[cvShowFPS]);
  check(Glare, v[cvGlare]);
  check(LensFlare, v[cvLensFlare]);
  check(Corona, v[cvCorona]);
}

void TCfgFrm::Open() {
  if (!hwnd_) return;
  if (!loadProblem_.empty())
    MessageBoxA(nullptr, loadProblem_.c_str(), kMessageCaption, MB_OK | MB_ICONERROR);
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

void TCfgFrm::ReleaseOwner() {
  if (!ownerDisabled_) return;
  ownerDisabled_ = false;
  if (IsWindow(owner_)) EnableWindow(owner_, TRUE);
}

bool TCfgFrm::SaveSettings() {
  if (Values().Save() != TCfgSave::Failed) return true;
  MessageBoxA(hwnd_, TCfgSettings::SaveFailureText().c_str(), kMessageCaption,
              MB_OK | MB_ICONERROR);
  return false;
}

void TCfgFrm::EnableApply() {
  EnableWindow(applyBtn, TRUE);
}

void TCfgFrm::ApplyPreset(const TCfgPreset& preset) {
  TCfgSettings v = Values();
  v.ApplyPreset(preset);
  ShowValues(v);
  EnableApply();
}

void TCfgFrm::lowBtnClick() {
  ApplyPreset(kCfgPresets[0]);
}
void TCfgFrm::mediumBtnClick() {
  ApplyPreset(kCfgPresets[1]);
}
void TCfgFrm::highBtnClick() {
  ApplyPreset(kCfgPresets[2]);
}
void TCfgFrm::vhighBtnClick() {
  ApplyPreset(kCfgPresets[3]);
}

void TCfgFrm::applyBtnClick() {
  // A failed write keeps Apply enabled: the changes are still not stored. The focus leaves the
  // button it disables, or Tab would have nowhere to start from.
  if (!SaveSettings()) return;
  if (GetFocus() == applyBtn) SetFocus(okBtn);
  EnableWindow(applyBtn, FALSE);
}

void TCfgFrm::okBtnClick() {
  // A failed write keeps the dialog open, so that the choices are not lost with it.
  if (SaveSettings()) Close();
}

void TCfgFrm::cancelBtnClick() {
  Close();
}

void TCfgFrm::PreviewClick() {
  if (OnPreview) OnPreview();
}

void TCfgFrm::Close() {
  // The owner first: Windows then gives it the activation when the dialog goes.
  ReleaseOwner();
  if (hwnd_) DestroyWindow(hwnd_);
}

void TCfgFrm::Command(int id, int code) {
  switch (id) {
    case idTextureQual:
    case idObjQual:
    case idselectplan:
    case idzelmarType:
      if (code == CBN_SELCHANGE) EnableApply();
      break;
    case idplandata:
    case idshowFPS:
    case idCorona:
    case idLensFlare:
    case idGlare:
      if (code == BN_CLICKED) EnableApply();
      break;
    case idlowBtn:
      lowBtnClick();
      break;
    case idmediumBtn:
      mediumBtnClick();
      break;
    case idhighBtn:
      highBtnClick();
      break;
    case idvhighBtn:
      vhighBtnClick();
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

LRESULT CALLBACK TCfgFrm::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TCfgFrm*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
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
      self->Command(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_HSCROLL:
      // A track bar moved by the user (setting a position from code sends nothing).
      if (reinterpret_cast<HWND>(lParam) == self->planSpd ||
          reinterpret_cast<HWND>(lParam) == self->moveSpd)
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
