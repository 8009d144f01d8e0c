// The configuration dialog's window on Windows, of plain Win32 controls: the same layout as the
// Qt window, and what the controls do is TCfgFrm's. In the configuration run mode it is the
// program's main window.
#pragma once

#include <array>
#include <vector>

#include "platform/window/winuser.h"
#include "shell/settings/TCfgFrm.h"

namespace zelmar {

class TCfgFrmWin32 : public TCfgFrm {
 public:
  // Builds the window and its controls (hidden) and loads them from the store (FormCreate). A
  // missing or mistyped value stops the load; LoadProblem() then holds the store's message,
  // which Open() shows. owner, when given, is the host's window that the dialog stays above;
  // Open() disables it until the dialog closes. The layout is the table's at 96 DPI, scaled to
  // dpi (by default the system's: the primary monitor's, where the dialog opens).
  explicit TCfgFrmWin32(HWND owner = nullptr, int dpi = 0);
  ~TCfgFrmWin32() override;

  HWND Handle() const { return hwnd_; }
  // The dialog's DPI, and a length of the layout table at it.
  int Dpi() const { return dpi_; }
  int Scaled(int length) const { return MulDiv(length, dpi_, 96); }
  // True once OK or Cancel (or the close box) has closed the dialog.
  bool Closed() const { return hwnd_ == nullptr; }

  // The controls' windows, by their names (also their window texts' owners in tests).
  HWND Label1 = nullptr, Label2 = nullptr, VerLbl = nullptr, Image1 = nullptr;
  HWND GroupBox2 = nullptr, Label4 = nullptr, zelmarType = nullptr, showFPS = nullptr;
  HWND Label5 = nullptr, Label8 = nullptr, Label9 = nullptr;
  HWND plandata = nullptr, selectplan = nullptr, planSpd = nullptr, moveSpd = nullptr;
  HWND GroupBox3 = nullptr, lowBtn = nullptr, mediumBtn = nullptr, highBtn = nullptr;
  HWND vhighBtn = nullptr, Label3 = nullptr, Label7 = nullptr;
  HWND ObjQual = nullptr, TextureQual = nullptr;
  HWND Effectsbox = nullptr, Corona = nullptr, LensFlare = nullptr, Glare = nullptr;
  HWND okBtn = nullptr, cancelBtn = nullptr, applyBtn = nullptr, Button1 = nullptr;
  HWND planetsToday = nullptr, showClock = nullptr, constellations = nullptr;

  // The control of a child window's id, for the window procedure.
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void CreateControls();
  // Lays the dialog out again at dpi (a move to a monitor of another DPI): fonts, every
  // control's place and size, and the client area, as a dialog opened at that DPI has them.
  void SetDpi(int dpi);
  void MakeFonts();
  void FitClientArea();
  // What a control of a setting is; a choice of two may be a check box.
  enum class TControlKind { List, TrackBar, CheckBox };
  // Makes the control the one of the setting's row.
  HWND Bind(const char* setting, HWND control, TControlKind kind);
  // The row of a control of a setting, or null.
  const TSettingRow* BoundRow(HWND control) const;
  void Command(int id, int code, HWND control);

  int ControlValue(const TSettingRow& row) const override;
  void ShowControlValue(const TSettingRow& row, int value) override;
  void SetApplyEnabled(bool enabled) override;
  HWND MessageOwner() override { return hwnd_; }
  void Present() override;
  void Dismiss(bool accepted) override;
  void Close();
  void ReleaseOwner();

  HWND hwnd_ = nullptr;
  // The host's window, disabled while the dialog is open (as a modal dialog's owner is).
  HWND owner_ = nullptr;
  bool ownerDisabled_ = false;
  int dpi_ = 96;
  HFONT font_ = nullptr;
  HFONT titleFont_ = nullptr;
  HBRUSH cream_ = nullptr;
  HBITMAP picture_ = nullptr;
  std::array<HWND, kSettingCount> controls_{};
  std::array<TControlKind, kSettingCount> kinds_{};
  // Each control's place in the layout table (pixels at 96 DPI); a width of 0 sizes it to its
  // text in the dialog's font.
  struct TPlaced {
    HWND Window;
    int X, Y, Width, Height;
  };
  std::vector<TPlaced> placed_;
};

// The dialog's picture from the program's resources (an RCDATA JPEG named DIALOG_PICTURE),
// decoded by the system's imaging component; null when the program has none.
HBITMAP LoadDialogPicture();

}  // namespace zelmar
