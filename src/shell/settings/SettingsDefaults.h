// The stored values, with the configuration dialog's form defaults and the values the install
// step records: one table, used by the dialog, the installer and every reader, for which a value
// that no settings file holds takes its install default.
#pragma once

#include <array>

namespace zelmar {

// Below HKEY_LOCAL_MACHINE (the machine's settings and the installation) and below
// HKEY_CURRENT_USER (each user's own), spelt as each root spells its keys by custom.
constexpr const char* kSettingsKey = "\\SOFTWARE\\Zelmar";
constexpr const char* kUserSettingsKey = "\\Software\\Zelmar";
constexpr const char* kInstallDirValue = "Install_Dir";

struct TSettingDefault {
  const char* Name;
  int FormDefault;     // the dialog's control state when the store has nothing (-1: no selection)
  int InstallDefault;  // what a fresh installation records
};

// Integer and Boolean values, in the dialog's read order.
constexpr std::array<TSettingDefault, 11> kSettingDefaults = {{
    {"Texture_Quality", -1, 1},
    {"Object_Quality", -1, 1},
    {"Select_Planet", 0, 0},
    {"Planet_Speed", 5, 5},
    {"Move_Speed", 5, 5},
    {"Zelmar_Type", -1, 0},
    {"Planetary_Data", 1, 1},
    {"FPS", 0, 0},
    {"Glare", 0, 0},
    {"Lens_Flare", 0, 1},
    {"Corona", 0, 1},
}};

constexpr const TSettingDefault* FindSettingDefault(const char* name) {
  for (const auto& d : kSettingDefaults) {
    const char* a = d.Name;
    const char* b = name;
    while (*a && *a == *b) ++a, ++b;
    if (*a == *b) return &d;
  }
  return nullptr;
}

constexpr int FormDefault(const char* name) {
  const TSettingDefault* d = FindSettingDefault(name);
  return d ? d->FormDefault : 0;
}

// What a value no settings file holds stands for.
constexpr int InstallDefault(const char* name) {
  const TSettingDefault* d = FindSettingDefault(name);
  return d ? d->InstallDefault : 0;
}

}  // namespace zelmar
