#include "shell/settings/CfgSettings.h"

#include <cstdio>

#include "platform/registry/TRegistry.h"
#include "shell/settings/SettingsStore.h"

namespace zelmar {

using registry::ERegistryException;

namespace {

static_assert(kSettingDefaults.size() == cvCount, "one value per control");

// The store's names of the values, in the order of TCfgValue.
constexpr const char* Name(TCfgValue v) {
  return kSettingDefaults[v].Name;
}

bool IsBoolean(TCfgValue v) {
  return v >= cvPlanData;
}

// The store's write order: the effects go the other way round from the read order.
constexpr TCfgValue kWriteOrder[] = {cvTextureQual, cvObjQual,    cvSelectPlan, cvPlanSpd,
                                     cvMoveSpd,     cvZelmarType, cvPlanData,   cvShowFPS,
                                     cvCorona,      cvLensFlare,  cvGlare};

}  // namespace

TCfgSettings::TCfgSettings() {
  for (int v = 0; v < cvCount; ++v) values_[v] = kSettingDefaults[v].FormDefault;
}

std::string TCfgSettings::Load() {
  TSettingsStore store;
  if (!store.Problem().empty())
    std::fprintf(stderr, "zelmar: %s; showing the defaults\n", store.Problem().c_str());
  // A value no key holds shows its installed default, which is what the saver uses for it.
  try {
    for (int v = 0; v < cvCount; ++v) {
      const auto value = static_cast<TCfgValue>(v);
      values_[v] = IsBoolean(value) ? store.ReadBool(Name(value)) : store.ReadInteger(Name(value));
    }
  } catch (const ERegistryException& e) {
    return e.what();
  }
  return {};
}

TCfgSave TCfgSettings::Save() const {
  // The user's own settings, written whole in one replacement of the file, so that a failure
  // half-way (a full disk) cannot leave some of them saved and others not.
  TSettingsStore::TWriter writer;
  if (!writer.Opened()) {
    std::fprintf(stderr, "zelmar: the settings cannot be opened (%s); nothing was saved\n",
                 registry::RegLastProblem().c_str());
    return TCfgSave::NotOpened;
  }
  try {
    for (TCfgValue v : kWriteOrder) {
      if (IsBoolean(v))
        writer.WriteBool(Name(v), values_[v] != 0);
      else
        writer.WriteInteger(Name(v), values_[v]);
    }
    if (writer.Commit() == ERROR_SUCCESS) return TCfgSave::Saved;
  } catch (const ERegistryException&) {
  }
  return TCfgSave::Failed;
}

void TCfgSettings::ApplyPreset(const TCfgPreset& preset) {
  values_[cvObjQual] = preset.Quality;
  values_[cvTextureQual] = preset.Quality;
  values_[cvCorona] = preset.Corona;
  values_[cvLensFlare] = preset.LensFlare;
  values_[cvGlare] = preset.Glare;
}

std::string TCfgSettings::SaveFailureText() {
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

}  // namespace zelmar
