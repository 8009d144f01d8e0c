#include "shell/settings/Settings.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/registry/TRegistry.h"
#include "scene/Random.h"
#include "shell/settings/SettingsDefaults.h"
#include "shell/settings/SettingsStore.h"

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
  // A value that cannot be read, and every later one, stands at its installed default, as a
  // value no file holds does.
  std::string installDir = DefaultInstallDir();
  int textureQuality = InstallDefault("Texture_Quality");
  int objectQuality = InstallDefault("Object_Quality");
  int selectPlanet = InstallDefault("Select_Planet");
  int zelmarType = InstallDefault("Zelmar_Type");
  int planetSpeed = InstallDefault("Planet_Speed");
  int moveSpeed = InstallDefault("Move_Speed");
  bool planetaryData = InstallDefault("Planetary_Data") != 0;
  bool fps = InstallDefault("FPS") != 0;
  bool glare = InstallDefault("Glare") != 0;
  bool lensFlare = InstallDefault("Lens_Flare") != 0;
  bool corona = InstallDefault("Corona") != 0;

  std::size_t read = 0;
  std::string problem;
  {
    TSettingsStore store;
    problem = store.Problem();
    try {
      installDir = store.ReadString("Install_Dir", installDir), ++read;
      textureQuality = store.ReadInteger("Texture_Quality"), ++read;
      objectQuality = store.ReadInteger("Object_Quality"), ++read;
      selectPlanet = store.ReadInteger("Select_Planet"), ++read;
      zelmarType = store.ReadInteger("Zelmar_Type"), ++read;
      planetaryData = store.ReadBool("Planetary_Data"), ++read;
      fps = store.ReadBool("FPS"), ++read;
      glare = store.ReadBool("Glare"), ++read;
      lensFlare = store.ReadBool("Lens_Flare"), ++read;
      corona = store.ReadBool("Corona"), ++read;
      planetSpeed = store.ReadInteger("Planet_Speed"), ++read;
      moveSpeed = store.ReadInteger("Move_Speed"), ++read;
    } catch (const ERegistryException& e) {
      problem = std::string(e.what()) + " in " + store.Source(kReadOrder[read]);
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

  // Each quality has its own texture folder; any other value would send the search to the
  // program's own folder and draw nothing textured. Named, and the default taken, as an
  // out-of-range camera speed is.
  std::string outOfRange;
  if (textureQuality < 0 || textureQuality > 2) {
    const int fallback = InstallDefault("Texture_Quality");
    outOfRange = "Texture_Quality " + std::to_string(textureQuality) +
                 " is outside 0 to 2; using " + std::to_string(fallback);
    textureQuality = fallback;
  }

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

  if (problem.empty()) return outOfRange;
  if (!outOfRange.empty()) outOfRange = "; " + outOfRange;
  if (read == std::size(kReadOrder)) return problem + outOfRange;
  std::string defaults;
  for (std::size_t i = read; i < std::size(kReadOrder); ++i) {
    defaults += defaults.empty() ? "" : ", ";
    defaults += kReadOrder[i];
  }
  return problem + "; using the defaults for " + defaults +
         (read == 0 ? " (Install_Dir: " + installDir + ")" : std::string()) + outOfRange;
}

std::string KeepMoveSpeedInRange(TSettings& settings) {
  constexpr float kLowest = 3.0f;    // "Move_Speed" 1
  constexpr float kHighest = 30.0f;  // "Move_Speed" 10
  if (settings.MoveSpeed >= kLowest && settings.MoveSpeed <= kHighest) return {};
  const int fallback = InstallDefault("Move_Speed");
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
