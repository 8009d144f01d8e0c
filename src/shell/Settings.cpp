#include "shell/Settings.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/registry/TRegistry.h"
#include "scene/Random.h"
#include "shell/SettingsDefaults.h"

namespace zelmar {

using registry::ERegistryException;
using registry::TRegistry;

namespace {

// The saver's read order.
constexpr const char* kReadOrder[] = {"Install_Dir",   "Texture_Quality", "Object_Quality",
                                      "Select_Planet", "Zelmar_Type",     "Planetary_Data",
                                      "FPS",           "Glare",           "Lens_Flare",
                                      "Corona",        "Planet_Speed",    "Move_Speed"};

// Stored values use the system's backslashes; on this platform they are folder separators.
std::string PlatformPath(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

std::string KeyName() {
  return std::string("HKEY_LOCAL_MACHINE") + kSettingsKey;
}

}  // namespace

std::string DefaultInstallDir() {
  const std::string buildRoot = ZELMAR_BUILD_ROOT;
  if (ProgramPath().rfind(buildRoot + "/", 0) == 0) return ZELMAR_BUILD_DATA_DIR;
  // Without a fixed data folder (on Windows) the media lie beside the program.
  const std::string dataDir = ZELMAR_DATA_DIR;
  if (dataDir.empty()) return std::filesystem::path(ProgramPath()).parent_path().string();
  return dataDir;
}

std::string GetSettings(TSettings& settings, std::string& pathTextures,
                        const TSettingsOptions& options) {
  std::string installDir = DefaultInstallDir();
  int textureQuality = FormDefault("Texture_Quality");
  int objectQuality = FormDefault("Object_Quality");
  int selectPlanet = FormDefault("Select_Planet");
  int zelmarType = FormDefault("Zelmar_Type");
  int planetSpeed = FormDefault("Planet_Speed");
  int moveSpeed = FormDefault("Move_Speed");
  bool planetaryData = FormDefault("Planetary_Data") != 0;
  bool fps = FormDefault("FPS") != 0;
  bool glare = FormDefault("Glare") != 0;
  bool lensFlare = FormDefault("Lens_Flare") != 0;
  bool corona = FormDefault("Corona") != 0;

  std::size_t read = 0;
  std::string problem;
  {
    TRegistry reg(HKEY_LOCAL_MACHINE, KEY_ALL_ACCESS);
    if (!reg.OpenKey(kSettingsKey, true)) {
      problem = "cannot open " + KeyName() + ": " + registry::RegLastProblem();
    } else {
      try {
        installDir = reg.ReadString("Install_Dir"), ++read;
        textureQuality = reg.ReadInteger("Texture_Quality"), ++read;
        objectQuality = reg.ReadInteger("Object_Quality"), ++read;
        selectPlanet = reg.ReadInteger("Select_Planet"), ++read;
        zelmarType = reg.ReadInteger("Zelmar_Type"), ++read;
        planetaryData = reg.ReadBool("Planetary_Data"), ++read;
        fps = reg.ReadBool("FPS"), ++read;
        glare = reg.ReadBool("Glare"), ++read;
        lensFlare = reg.ReadBool("Lens_Flare"), ++read;
        corona = reg.ReadBool("Corona"), ++read;
        planetSpeed = reg.ReadInteger("Planet_Speed"), ++read;
        moveSpeed = reg.ReadInteger("Move_Speed"), ++read;
      } catch (const ERegistryException& e) {
        problem = std::string(e.what()) + " in " + KeyName() + " (" + registry::HivePath() + ")";
      }
    }
  }

  zelmarType = options.ZelmarType.value_or(zelmarType);
  selectPlanet = options.SelectPlanet.value_or(selectPlanet);
  planetSpeed = options.PlanetSpeed.value_or(planetSpeed);
  moveSpeed = options.MoveSpeed.value_or(moveSpeed);
  objectQuality = options.ObjectQuality.value_or(objectQuality);
  textureQuality = options.TextureQuality.value_or(textureQuality);
  planetaryData = options.PlanetaryData.value_or(planetaryData);
  fps = options.Fps.value_or(fps);
  glare = options.Glare.value_or(glare);
  lensFlare = options.LensFlare.value_or(lensFlare);
  corona = options.Corona.value_or(corona);

  // A hand-edited store may hold any 32-bit value; the product must not overflow an int.
  settings.PlanetSpeed = static_cast<float>(2 * static_cast<std::int64_t>(planetSpeed));
  settings.MoveSpeed = static_cast<float>(3 * static_cast<std::int64_t>(moveSpeed));
  settings.ShowPlanetData = planetaryData;
  settings.ShowFPS = fps;
  settings.ShowGlare = glare;
  settings.ShowLensFlare = lensFlare;
  settings.ShowCorona = corona;

  if (zelmarType == 0)
    settings.BrassModel = false;
  else if (zelmarType == 1)
    settings.BrassModel = true;
  else if (zelmarType == 2)
    settings.BrassModel = Random(2) == 1;

  if (selectPlanet == 0)
    settings.RandomSelect = false;
  else if (selectPlanet == 1)
    settings.RandomSelect = true;

  const std::string base =
      PlatformPath(installDir) + (settings.BrassModel ? "/tabletextures/" : "/textures/");
  if (textureQuality == 0)
    pathTextures = base + "High/";
  else if (textureQuality == 1)
    pathTextures = base + "Medium/";
  else if (textureQuality == 2)
    pathTextures = base + "Low/";

  if (objectQuality >= 0 && objectQuality <= 2)
    settings.ObjectQuality = static_cast<std::uint8_t>(objectQuality);

  if (!settings.BrassModel) settings.PlanetSpeed = settings.PlanetSpeed / 100.0f;

  if (problem.empty()) return {};
  std::string defaults;
  for (std::size_t i = read; i < std::size(kReadOrder); ++i) {
    defaults += defaults.empty() ? "" : ", ";
    defaults += kReadOrder[i];
  }
  return problem + "; using the defaults for " + defaults +
         (read == 0 ? " (Install_Dir: " + installDir + ")" : std::string());
}

std::string KeepMoveSpeedInRange(TSettings& settings) {
  constexpr float kLowest = 3.0f;    // "Move_Speed" 1
  constexpr float kHighest = 30.0f;  // "Move_Speed" 10
  if (settings.MoveSpeed >= kLowest && settings.MoveSpeed <= kHighest) return {};
  const int fallback = FormDefault("Move_Speed");
  char text[160];
  std::snprintf(text, sizeof text, "Move_Speed %.0f is outside 1 to 10; using %d",
                static_cast<double>(settings.MoveSpeed) / 3.0, fallback);
  settings.MoveSpeed = static_cast<float>(3 * fallback);
  return text;
}

std::string RecordInstallation(const std::string& installDir) {
  TRegistry reg(HKEY_LOCAL_MACHINE, KEY_ALL_ACCESS);
  if (!reg.OpenKey(kSettingsKey, true))
    return "cannot open " + KeyName() + ": " + registry::RegLastProblem();
  try {
    reg.WriteString(kInstallDirValue, installDir);
    for (const auto& d : kSettingDefaults) {
      try {
        reg.ReadInteger(d.Name);
      } catch (const ERegistryException&) {
        reg.WriteInteger(d.Name, d.InstallDefault);
      }
    }
  } catch (const ERegistryException& e) {
    return std::string(e.what()) + " in " + registry::HivePath() + ": " +
           registry::RegLastProblem();
  }
  return {};
}

}  // namespace zelmar
