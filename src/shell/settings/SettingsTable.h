// One row per stored setting: its name and type in the store, its defaults, its option on the
// command line, what the dialog's quality presets give it, and the field of the saver's record
// it fills. The store's reads and writes, the options and their --help text, the installed
// defaults and both dialogs walk this table; a test checks the XScreenSaver page and the manual
// page against it. A new setting is one row here plus its use.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "scene/Random.h"
#include "scene/TSettings.h"

namespace zelmar {

// Below HKEY_LOCAL_MACHINE (the machine's settings and the installation) and below
// HKEY_CURRENT_USER (each user's own), spelt as each root spells its keys by custom.
constexpr const char* kSettingsKey = "\\SOFTWARE\\Zelmar";
constexpr const char* kUserSettingsKey = "\\Software\\Zelmar";
// The media folder, a string the installation records and the saver reads before the table's
// values; no option or control of the dialog's sets it.
constexpr const char* kInstallDirValue = "Install_Dir";

// A word the command line takes for a stored value.
struct TChoice {
  const char* Word;
  int Value;
};

// Every value is stored as a dword.
enum TSettingKind {
  skChoice,  // one of Low..High: a word on the command line, a drop-down list's item (or, for a
             // choice of two the dialog offers as a check box, its state)
  skNumber,  // a whole number from Low to High: a track bar's position
  skSwitch,  // 1 or 0: --NAME or --no-NAME, a check box
};

// How a stored value fills the saver's record.
struct TSettingField {
  bool TSettings::*Flag = nullptr;     // a switch: on or off
  float TSettings::*Scaled = nullptr;  // a number: the value times Scale
  int Scale = 0;
  // A choice, decoded; a value it has no meaning for leaves the record as it was.
  void (*Decode)(TSettings&, int) = nullptr;
};

// The dialog's quality presets, in the order of their buttons.
constexpr std::array<const char*, 4> kPresetCaptions = {"Low", "Medium", "High", "Very high"};
// A preset's entry for a value it leaves as it is.
constexpr int kKeep = -2;

struct TSettingRow {
  const char* Name;
  TSettingKind Kind;
  int Low, High;
  int InstallDefault;  // what a fresh installation records; a value no file holds stands for it
  int FormDefault;     // the dialog's control before the store is read (-1: no selection)
  std::array<int, kPresetCaptions.size()> Presets;  // what each preset sets, or kKeep
  const char* Option;                               // --OPTION
  std::span<const TChoice> Words;                   // a choice's words, in --help's order
  // --help's text beside the option: "" for none, nullptr to share the next row's line.
  const char* Help;
  // The orders that readers and writers of a file have always kept (a mistyped value stops a
  // read, so the order says which values are read): the saver's read, after Install_Dir; the
  // dialog's write; --help's. The table's own order is the dialog's read and --record-install's
  // write.
  int SaverRead, DialogWrite, HelpLine;
  // Texture_Quality fills no field: it picks the texture folder.
  TSettingField Field;
};

// A quality of "very-high" is High: the dialog's "Very high" preset differs from "High" only in
// turning the glare on, which --glare does here.
constexpr TChoice kQualities[] = {{"low", 2}, {"medium", 1}, {"high", 0}, {"very-high", 0}};
constexpr TChoice kScenes[] = {{"space", 0}, {"brass", 1}, {"random", 2}};
constexpr TChoice kOrders[] = {{"sequential", 0}, {"random", 1}};
constexpr TChoice kPositions[] = {{"random", 0}, {"today", 1}};

// The record's fields that a choice fills.
inline void DecodeObjectQuality(TSettings& s, int v) {
  if (v >= 0 && v <= 2) s.ObjectQuality = static_cast<std::uint8_t>(v);
}
inline void DecodeSelectPlanet(TSettings& s, int v) {
  if (v == 0 || v == 1) s.RandomSelect = v == 1;
}
// The day itself is the run's (--date, else now): the shell fills PositionsJulianDay.
inline void DecodePlanetPositions(TSettings& s, int v) {
  if (v == 0 || v == 1) s.PositionsToday = v == 1;
}
inline void DecodeZelmarType(TSettings& s, int v) {
  if (v == 0 || v == 1) s.BrassModel = v == 1;
  if (v == 2) s.BrassModel = Random(2) == 1;  // drawn anew at every start
}

constexpr TSettingField RecordFlag(bool TSettings::*field) {
  return {.Flag = field};
}
constexpr TSettingField RecordScaled(float TSettings::*field, int scale) {
  return {.Scaled = field, .Scale = scale};
}
constexpr TSettingField RecordDecoded(void (*decode)(TSettings&, int)) {
  return {.Decode = decode};
}

constexpr std::array<int, kPresetCaptions.size()> kNoPreset = {kKeep, kKeep, kKeep, kKeep};

// clang-format off
inline constexpr TSettingRow kSettingsTable[] = {
  // name              kind      low high install form  presets (Low, Medium, High, Very high)
  //   option             words        --help's text
  //   saver's read, dialog's write, --help's line; the record's field
  {"Texture_Quality",  skChoice,   0,  2,   1,     -1,  {2, 1, 0, 0},
     "texture-quality",  kQualities,  "",
     0, 0, 5,   {}},
  {"Object_Quality",   skChoice,   0,  2,   1,     -1,  {2, 1, 0, 0},
     "object-quality",   kQualities,  "",
     1, 1, 4,   RecordDecoded(DecodeObjectQuality)},
  {"Select_Planet",    skChoice,   0,  1,   0,      0,  kNoPreset,
     "order",            kOrders,     "the order the camera visits the bodies in",
     2, 2, 1,   RecordDecoded(DecodeSelectPlanet)},
  {"Planet_Speed",     skNumber,   1, 10,   5,      5,  kNoPreset,
     "planet-speed",     {},          nullptr,
     9, 3, 2,   RecordScaled(&TSettings::PlanetSpeed, 2)},
  {"Move_Speed",       skNumber,   1, 10,   5,      5,  kNoPreset,
     "move-speed",       {},          "the planets' and the camera's speed",
     10, 4, 3,  RecordScaled(&TSettings::MoveSpeed, 3)},
  {"Zelmar_Type",      skChoice,   0,  2,   0,     -1,  kNoPreset,
     "scene",            kScenes,     "the display",
     3, 5, 0,   RecordDecoded(DecodeZelmarType)},
  {"Planetary_Data",   skSwitch,   0,  1,   1,      1,  kNoPreset,
     "planet-data",      {},          nullptr,
     4, 6, 6,   RecordFlag(&TSettings::ShowPlanetData)},
  {"FPS",              skSwitch,   0,  1,   0,      0,  kNoPreset,
     "fps",              {},          nullptr,
     5, 7, 7,   RecordFlag(&TSettings::ShowFPS)},
  {"Glare",            skSwitch,   0,  1,   0,      0,  {0, 0, 0, 1},
     "glare",            {},          "show or hide the data panel, the frame rate, the\n"
                                      "Sun's corona, lens flare and glare",
     6, 10, 10, RecordFlag(&TSettings::ShowGlare)},
  {"Lens_Flare",       skSwitch,   0,  1,   1,      0,  {0, 1, 1, 1},
     "lens-flare",       {},          nullptr,
     7, 9, 9,   RecordFlag(&TSettings::ShowLensFlare)},
  {"Corona",           skSwitch,   0,  1,   1,      0,  {0, 1, 1, 1},
     "corona",           {},          nullptr,
     8, 8, 8,   RecordFlag(&TSettings::ShowCorona)},
  {"Planet_Positions", skChoice,   0,  1,   0,      0,  kNoPreset,
     "positions",        kPositions,  "where the planets start: anywhere, or where they\n"
                                      "stood on --date's day (default: now)",
     11, 11, 11, RecordDecoded(DecodePlanetPositions)},
  {"Clock",            skSwitch,   0,  1,   0,      0,  kNoPreset,
     "clock",            {},          "show or hide the local time and date",
     12, 12, 12, RecordFlag(&TSettings::ShowClock)},
  {"Constellations",   skSwitch,   0,  1,   0,      0,  kNoPreset,
     "constellations",   {},          "show or hide the constellation figures over the real\n"
                                      "stars (where a star catalogue is installed)",
     13, 13, 13, RecordFlag(&TSettings::ShowConstellations)},
};
// clang-format on

constexpr std::size_t kSettingCount = std::size(kSettingsTable);

// Each order names every row once.
constexpr bool IsOrder(int TSettingRow::*rank) {
  std::array<bool, kSettingCount> seen{};
  for (const TSettingRow& row : kSettingsTable) {
    const int r = row.*rank;
    if (r < 0 || r >= static_cast<int>(kSettingCount) || seen[static_cast<std::size_t>(r)])
      return false;
    seen[static_cast<std::size_t>(r)] = true;
  }
  return true;
}
static_assert(IsOrder(&TSettingRow::SaverRead) && IsOrder(&TSettingRow::DialogWrite) &&
              IsOrder(&TSettingRow::HelpLine));

// The rows in one of those orders.
std::array<const TSettingRow*, kSettingCount> InOrder(int TSettingRow::*rank);

// A row's place in the table, for arrays of one entry a row.
inline std::size_t IndexOf(const TSettingRow& row) {
  return static_cast<std::size_t>(&row - kSettingsTable);
}

// The row of a stored name; null when there is none.
constexpr const TSettingRow* FindSetting(std::string_view name) {
  for (const TSettingRow& row : kSettingsTable)
    if (name == row.Name) return &row;
  return nullptr;
}

// The row of a stored name that the program itself uses (a typo throws std::out_of_range).
const TSettingRow& Setting(std::string_view name);

constexpr int FormDefault(std::string_view name) {
  const TSettingRow* row = FindSetting(name);
  return row ? row->FormDefault : 0;
}

// What a value no settings file holds stands for.
constexpr int InstallDefault(std::string_view name) {
  const TSettingRow* row = FindSetting(name);
  return row ? row->InstallDefault : 0;
}

// Puts a stored value into the saver's record.
void FillRecord(const TSettingRow& row, TSettings& settings, int value);

}  // namespace zelmar
