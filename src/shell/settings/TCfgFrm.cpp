#include "shell/settings/TCfgFrm.h"

#include <cstdio>

#include "platform/registry/TRegistry.h"
#include "shell/settings/SettingsStore.h"

namespace zelmar {

using registry::ERegistryException;

namespace {

constexpr const char* kMessageCaption = "Zelmar";

}  // namespace

TCfgFrm::TValues::TValues() {
  for (const TSettingRow& row : kSettingsTable) (*this)[row] = row.FormDefault;
}

std::string TCfgFrm::TValues::Load() {
  TSettingsStore store;
  if (!store.Problem().empty())
    std::fprintf(stderr, "zelmar: %s; showing the defaults\n", store.Problem().c_str());
  // A value no key holds shows its installed default, which is what the saver uses for it.
  try {
    for (const TSettingRow& row : kSettingsTable) (*this)[row] = store.Read(row);
  } catch (const ERegistryException& e) {
    return e.what();
  }
  return {};
}

TCfgSave TCfgFrm::TValues::Save() const {
  // The user's own settings, written whole in one replacement of the file, so that a failure
  // half-way (a full disk) cannot leave some of them saved and others not.
  TSettingsStore::TWriter writer;
  if (!writer.Opened()) {
    std::fprintf(stderr, "zelmar: the settings cannot be opened (%s); nothing was saved\n",
                 registry::RegLastProblem().c_str());
    return TCfgSave::NotOpened;
  }
  try {
    for (const TSettingRow* row : InOrder(&TSettingRow::DialogWrite))
      writer.Write(*row, (*this)[*row]);
    if (writer.Commit() == ERROR_SUCCESS) return TCfgSave::Saved;
  } catch (const ERegistryException&) {
  }
  return TCfgSave::Failed;
}

void TCfgFrm::TValues::ApplyPreset(std::size_t preset) {
  for (const TSettingRow& row : kSettingsTable)
    if (row.Presets[preset] != kKeep) (*this)[row] = row.Presets[preset];
}

std::string TCfgFrm::SaveFailureText() {
  return "Your settings could not be saved to " + UserSettingsFile() + ".\n\n" +
         registry::RegLastProblem() +
#ifdef _WIN32
         // The registry takes value by value: the ones before the failure may have been saved.
         "\n\nCheck that you may change your settings there, then try again.";
#else
         "\n\nThe file was left as it was. Check that you may write to it and that its disk has "
         "room, then try again.";
#endif
}

void TCfgFrm::Open() {
  if (!loadProblem_.empty())
    MessageBoxA(HWND{}, loadProblem_.c_str(), kMessageCaption, MB_OK | MB_ICONERROR);
  Present();
}

bool TCfgFrm::SaveSettings() {
  if (Values().Save() != TCfgSave::Failed) return true;
  MessageBoxA(MessageOwner(), SaveFailureText().c_str(), kMessageCaption, MB_OK | MB_ICONERROR);
  return false;
}

void TCfgFrm::FormCreate() {
  TValues values;
  loadProblem_ = values.Load();
  ShowValues(values);
  // Showing the values fires the controls' change handlers; the dialog still opens with
  // nothing to apply.
  SetApplyEnabled(false);
}

TCfgFrm::TValues TCfgFrm::Values() const {
  TValues values;
  for (const TSettingRow& row : kSettingsTable) values[row] = ControlValue(row);
  return values;
}

void TCfgFrm::ShowValues(const TValues& values) {
  for (const TSettingRow& row : kSettingsTable) ShowControlValue(row, values[row]);
}

void TCfgFrm::EnableApply() {
  SetApplyEnabled(true);
}

void TCfgFrm::PresetClick(std::size_t preset) {
  TValues values = Values();
  values.ApplyPreset(preset);
  ShowValues(values);
  EnableApply();
}

void TCfgFrm::applyBtnClick() {
  // A failed write keeps Apply enabled: the changes are still not stored.
  if (SaveSettings()) SetApplyEnabled(false);
}

void TCfgFrm::okBtnClick() {
  // A failed write keeps the dialog open, so that the choices are not lost with it.
  if (SaveSettings()) Dismiss(true);
}

void TCfgFrm::cancelBtnClick() {
  Dismiss(false);
}

void TCfgFrm::PreviewClick() {
  if (OnPreview) OnPreview();
}

}  // namespace zelmar
