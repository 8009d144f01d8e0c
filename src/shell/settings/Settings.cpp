#include "shell/settings/Settings.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/registry/TRegistry.h"
#include "scene/Ephemeris.h"
#include "scene/Random.h"
#include "shell/settings/SettingsStore.h"
#include "shell/settings/SettingsTable.h"

namespace zelmar {

using registry::ERegistryException;
using registry::TRegistry;

namespace {

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

double SkyJulianDay(const TSettingsOptions& options) {
  if (options.Date) return JulianDay(*options.Date);
  // The system clock counts from 1970-01-01 0h UT, Julian day 2440587.5.
  const std::chrono::duration<double, std::ratio<86400>> days =
      std::chrono::system_clock::now().time_since_epoch();
  return 2440587.5 + days.count();
}

std::string GetSettings(TSettings& settings, std::string& pathTextures,
                        const TSettingsOptions& options) {
  // A value that cannot be read, and every later one, stands at its installed default, as a
  // value no file holds does.
  std::string installDir = DefaultInstallDir();
  std::array<int, kSettingCount> values;
  for (const TSettingRow& row : kSettingsTable) values[IndexOf(row)] = row.InstallDefault;
  const auto readOrder = InOrder(&TSettingRow::SaverRead);

  // Install_Dir first, then the table's values in the saver's order.
  std::size_t read = 0;
  std::string problem;
  {
    TSettingsStore store;
    problem = store.Problem();
    try {
      installDir = store.ReadString(kInstallDirValue, installDir), ++read;
      for (const TSettingRow* row : readOrder) values[IndexOf(*row)] = store.Read(*row), ++read;
    } catch (const ERegistryException& e) {
      problem = std::string(e.what()) + " in " +
                store.Source(read == 0 ? kInstallDirValue : readOrder[read - 1]->Name);
    }
  }

  for (const TSettingRow& row : kSettingsTable) {
    int& value = values[IndexOf(row)];
    value = options[row].value_or(value);
    FillRecord(row, settings, value);
  }
  settings.PositionsJulianDay = SkyJulianDay(options);

  // Each quality has its own texture folder; any other value would send the search to the
  // program's own folder and draw nothing textured. Named, and the default taken, as an
  // out-of-range camera speed is.
  const TSettingRow& quality = Setting("Texture_Quality");
  int textureQuality = values[IndexOf(quality)];
  std::string outOfRange;
  if (textureQuality < quality.Low || textureQuality > quality.High) {
    outOfRange = std::string(quality.Name) + " " + std::to_string(textureQuality) + " is outside " +
                 std::to_string(quality.Low) + " to " + std::to_string(quality.High) + "; using " +
                 std::to_string(quality.InstallDefault);
    textureQuality = quality.InstallDefault;
  }
  constexpr const char* kQualityFolders[] = {"High/", "Medium/", "Low/"};
  pathTextures = PlatformPath(installDir) +
                 (settings.BrassModel ? "/tabletextures/" : "/textures/") +
                 kQualityFolders[textureQuality];

  // The space scene's planets go a hundred times slower than the brass model's.
  if (!settings.BrassModel) settings.PlanetSpeed = settings.PlanetSpeed / 100.0f;

  if (problem.empty()) return outOfRange;
  if (!outOfRange.empty()) outOfRange = "; " + outOfRange;
  if (read == 1 + kSettingCount) return problem + outOfRange;
  std::string defaults;
  for (std::size_t i = read; i < 1 + kSettingCount; ++i) {
    defaults += defaults.empty() ? "" : ", ";
    defaults += i == 0 ? kInstallDirValue : readOrder[i - 1]->Name;
  }
  return problem + "; using the defaults for " + defaults +
         (read == 0 ? " (Install_Dir: " + installDir + ")" : std::string()) + outOfRange;
}

std::string KeepMoveSpeedInRange(TSettings& settings) {
  const TSettingRow& speed = Setting("Move_Speed");
  const float scale = static_cast<float>(speed.Field.Scale);
  if (settings.MoveSpeed >= scale * speed.Low && settings.MoveSpeed <= scale * speed.High)
    return {};
  char text[160];
  std::snprintf(text, sizeof text, "%s %.0f is outside %d to %d; using %d", speed.Name,
                static_cast<double>(settings.MoveSpeed) / speed.Field.Scale, speed.Low, speed.High,
                speed.InstallDefault);
  FillRecord(speed, settings, speed.InstallDefault);
  return text;
}

std::string RecordInstallation(const std::string& installDir) {
  TRegistry reg(HKEY_LOCAL_MACHINE, KEY_ALL_ACCESS);
  if (!reg.OpenKey(kSettingsKey, true))
    return "cannot open " + KeyName() + ": " + registry::RegLastProblem();
  try {
    reg.WriteString(kInstallDirValue, installDir);
    for (const TSettingRow& row : kSettingsTable) {
      try {
        reg.ReadInteger(row.Name);
      } catch (const ERegistryException&) {
        reg.WriteInteger(row.Name, row.InstallDefault);
      }
    }
  } catch (const ERegistryException& e) {
    return std::string(e.what()) + " in " + registry::HivePath() + ": " +
           registry::RegLastProblem();
  }
  return {};
}

}  // namespace zelmar
