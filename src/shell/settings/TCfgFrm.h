// The configuration dialog apart from any toolkit: the values it shows, one a row of the
// settings table, loaded from the store and saved to the user's key; the quality presets; and
// what each button does. A toolkit's window (TCfgFrmQt, TCfgFrmWin32) derives from it, lays out
// one control a row and exchanges the controls' values through the hooks below.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>

#include "platform/window/winuser.h"
#include "shell/settings/SettingsTable.h"

namespace zelmar {

// The outcome of writing the values.
enum class TCfgSave {
  Saved,
  NotOpened,  // the store could not be opened: nothing written, nothing to tell the user
  Failed      // a write failed: SaveFailureText() says why; the store is as it was
};

class TCfgFrm {
 public:
  // The dialog's values, one a row: a list's item index (-1 for no selection), a track bar's
  // position, a check box's state (1 or 0).
  class TValues {
   public:
    // The form defaults.
    TValues();

    int& operator[](const TSettingRow& row) { return values_[IndexOf(row)]; }
    int operator[](const TSettingRow& row) const { return values_[IndexOf(row)]; }

    // Reads the store (the user's values over the machine's, see TSettingsStore) in the table's
    // order; a value no key holds takes its installed default. A mistyped value stops the read
    // there: the values before it are the stored ones, the rest keep what they had. Returns the
    // store's message for that value ("Invalid data type for 'FPS'"), empty when all were read
    // or the store could not be read (which goes to stderr only).
    std::string Load();

    // Writes every value to the current user's key in the dialog's write order, together or
    // not at all where the store can (our hive; the Windows registry keeps each value whole).
    TCfgSave Save() const;

    // Sets what the preset (an index of kPresetCaptions) sets; the other values stay.
    void ApplyPreset(std::size_t preset);

   private:
    std::array<int, kSettingCount> values_;
  };

  virtual ~TCfgFrm() = default;
  TCfgFrm(const TCfgFrm&) = delete;
  TCfgFrm& operator=(const TCfgFrm&) = delete;

  // Shows the load problem, if any, in a message box, then the dialog, centred on the screen.
  void Open();

  // The store's message from loading ("Invalid data type for 'FPS'"), or empty.
  const std::string& LoadProblem() const { return loadProblem_; }

  // Writes the controls to the user's settings in the store's write order. A file that cannot
  // be opened gets nothing, with a line on stderr only; a write that fails says so in a message
  // box naming the file, and leaves the file as it was. True when nothing is left unsaved for a
  // reason the user could change.
  bool SaveSettings();

  // The message box text for TCfgSave::Failed: where, why, and what to do.
  static std::string SaveFailureText();

  // What Button1 does: shows the hidden saver window. Unset, it does nothing.
  std::function<void()> OnPreview;

  // Handlers, named after their control and event; a toolkit's window calls them.
  void FormCreate();   // loads the store into the controls, with nothing to apply
  void EnableApply();  // a control changed
  void PresetClick(std::size_t preset);
  void applyBtnClick();
  void okBtnClick();
  void cancelBtnClick();
  void PreviewClick();

 protected:
  TCfgFrm() = default;

  // The toolkit's side. A row's control and its value as TValues keeps it.
  virtual int ControlValue(const TSettingRow& row) const = 0;
  virtual void ShowControlValue(const TSettingRow& row, int value) = 0;
  virtual void SetApplyEnabled(bool enabled) = 0;
  // The owner of the dialog's message boxes.
  virtual HWND MessageOwner() = 0;
  // Shows the window, centred, in front.
  virtual void Present() = 0;
  // Closes the window: accepted by OK, else cancelled.
  virtual void Dismiss(bool accepted) = 0;

 private:
  TValues Values() const;
  void ShowValues(const TValues& values);

  std::string loadProblem_;
};

}  // namespace zelmar
