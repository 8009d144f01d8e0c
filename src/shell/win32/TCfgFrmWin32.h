// The configuration dialog on Windows, of plain Win32 controls: the same layout, presets and
// store as the Qt dialog (the values and their orders are TCfgSettings'). In the configuration
// run mode it is the program's main window.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/window/winuser.h"
#include "shell/settings/CfgSettings.h"

namespace zelmar {

class TCfgFrm {
 public:
  // Builds the window and its controls (hidden) and loads them from the store (FormCreate). A
  // missing or mistyped value stops the load; LoadProblem() then holds the store's message,
  // which Open() shows. owner, when given, is the host's window that the dialog stays above;
  // Open() disables it until the dialog closes. The layout is the table's at 96 DPI, scaled to
  // dpi (by default the system's: the primary monitor's, where the dialog opens).
  explicit TCfgFrm(HWND owner = nullptr, int dpi = 0);
  ~TCfgFrm();
  TCfgFrm(const TCfgFrm&) = delete;
  TCfgFrm& operator=(const TCfgFrm&) = delete;

  // Shows the load problem, if any, in a message box, then the dialog, centred on the screen.
  void Open();

  HWND Handle() const { return hwnd_; }
  // The dialog's DPI, and a length of the layout table at it.
  int Dpi() const { return dpi_; }
  int Scaled(int length) const { return MulDiv(length, dpi_, 96); }
  // True once OK or Cancel (or the close box) has closed the dialog.
  bool Closed() const { return hwnd_ == nullptr; }

  const std::string& LoadProblem() const { return loadProblem_; }

  // Writes the controls to the store; see the Qt dialog. True when nothing is left unsaved
  // for a reason the user could change.
  bool SaveSettings();

  // What Button1 does: shows the hidden saver window. Unset, it does nothing.
  std::function<void()> OnPreview;

  // Handlers, named after their control and event.
  void FormCreate();
  void EnableApply();
  void lowBtnClick();
  void mediumBtnClick();
  void highBtnClick();
  void vhighBtnClick();
  void applyBtnClick();
  void okBtnClick();
  void cancelBtnClick();
  void PreviewClick();

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

  // The control of a child window's id, for the window procedure.
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void CreateControls();
  // Lays the dialog out again at dpi (a move to a monitor of another DPI): fonts, every
  // control's place and size, and the client area, as a dialog opened at that DPI has them.
  void SetDpi(int dpi);
  void MakeFonts();
  void FitClientArea();
  void ApplyPreset(const TCfgPreset& preset);
  TCfgSettings Values() const;
  void ShowValues(const TCfgSettings& values);
  void Command(int id, int code);
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
  std::string loadProblem_;
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
