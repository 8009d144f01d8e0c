// What the configuration dialog shows and stores, apart from any toolkit: one value per control,
// the quality presets, and the store's read and write orders. The Qt dialog and the Win32 one
// both keep their controls in step with this.
#pragma once

#include <array>
#include <string>

#include "shell/settings/SettingsDefaults.h"

namespace zelmar {

// The dialog's values, in its read order (the order of kSettingDefaults): a combo box's item
// index (-1 for no selection), a track bar's position, a check box's state (1 or 0).
enum TCfgValue {
  cvTextureQual,
  cvObjQual,
  cvSelectPlan,
  cvPlanSpd,
  cvMoveSpd,
  cvZelmarType,
  cvPlanData,
  cvShowFPS,
  cvGlare,
  cvLensFlare,
  cvCorona,
  cvCount
};

// A quality preset: sets both quality lists and the three effects, nothing else.
struct TCfgPreset {
  const char* Caption;  // the button's text
  int Quality;          // 0 High, 1 Medium, 2 Low
  bool Corona;
  bool LensFlare;
  bool Glare;
};

// In the order of their buttons.
constexpr std::array<TCfgPreset, 4> kCfgPresets = {{
    {"Low", 2, false, false, false},
    {"Medium", 1, true, true, false},
    {"High", 0, true, true, false},
    {"Very high", 0, true, true, true},
}};

// The outcome of writing the values.
enum class TCfgSave {
  Saved,
  NotOpened,  // the store could not be opened: nothing written, nothing to tell the user
  Failed      // a write failed: SaveFailureText() says why; the store is as it was
};

class TCfgSettings {
 public:
  // The form defaults.
  TCfgSettings();

  int& operator[](TCfgValue v) { return values_[v]; }
  int operator[](TCfgValue v) const { return values_[v]; }

  // Reads the store (the user's values over the machine's, see TSettingsStore) in the dialog's
  // read order; a value no key holds takes its installed default. A mistyped value stops the
  // read there: the values before it are the stored ones, the rest keep what they had. Returns
  // the store's message for that value ("Invalid data type for 'FPS'"), empty when all were read
  // or the store could not be read (which goes to stderr only).
  std::string Load();

  // Writes every value to the current user's key in the dialog's write order, together or not
  // at all where the store can (our hive; the Windows registry keeps each value whole).
  TCfgSave Save() const;

  // Sets the preset's qualities and effects; the other values stay as they are.
  void ApplyPreset(const TCfgPreset& preset);

  // The message box text for TCfgSave::Failed: where, why, and what to do.
  static std::string SaveFailureText();

 private:
  std::array<int, cvCount> values_;
};

}  // namespace zelmar
