#include "shell/settings/SettingsTable.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zelmar {

std::array<const TSettingRow*, kSettingCount> InOrder(int TSettingRow::*rank) {
  std::array<const TSettingRow*, kSettingCount> rows{};
  for (const TSettingRow& row : kSettingsTable) rows[static_cast<std::size_t>(row.*rank)] = &row;
  return rows;
}

const TSettingRow& Setting(std::string_view name) {
  if (const TSettingRow* row = FindSetting(name)) return *row;
  throw std::out_of_range("no setting " + std::string(name));
}

void FillRecord(const TSettingRow& row, TSettings& settings, int value) {
  const TSettingField& f = row.Field;
  if (f.Flag) settings.*f.Flag = value != 0;
  // A hand-edited store may hold any 32-bit value; the product must not overflow an int.
  if (f.Scaled) settings.*f.Scaled = static_cast<float>(f.Scale * static_cast<std::int64_t>(value));
  if (f.Decode) f.Decode(settings, value);
}

}  // namespace zelmar
