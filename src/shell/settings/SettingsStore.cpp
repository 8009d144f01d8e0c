#include "shell/settings/SettingsStore.h"

#include <atomic>
#include <cstdio>

#include "shell/modes/Warnings.h"

namespace zelmar {

using registry::TRegistry;

namespace {

// The user's file is looked at by both the dialog and the saver of one run; say it once.
std::atomic<bool> userProblemShown{false};

}  // namespace

TSettingsStore::TSettingsStore()
    : user_(HKEY_CURRENT_USER, KEY_READ), machine_(HKEY_LOCAL_MACHINE, KEY_READ) {
  // With one file for every root (ZELMAR_HIVE) its problem is the machine's, said below.
  const bool ownFile =
      registry::HivePath(HKEY_CURRENT_USER) != registry::HivePath(HKEY_LOCAL_MACHINE);
  if (!user_.OpenKey(kUserSettingsKey, false) && user_.LastStatus() != ERROR_FILE_NOT_FOUND &&
      ownFile && !userProblemShown.exchange(true))
    Warn("your settings cannot be read (" + registry::RegLastProblem() + "); using the machine's");
  if (!machine_.OpenKey(kSettingsKey, false) && machine_.LastStatus() != ERROR_FILE_NOT_FOUND)
    problem_ = "cannot read HKEY_LOCAL_MACHINE" + std::string(kSettingsKey) + ": " +
               registry::RegLastProblem();
}

TRegistry* TSettingsStore::Holder(const char* name) {
  if (user_.ValueExists(name)) return &user_;
  if (machine_.ValueExists(name)) return &machine_;
  return nullptr;
}

std::string TSettingsStore::Source(const char* name) {
  TRegistry* reg = Holder(name);
  if (!reg) return {};
  const bool user = reg == &user_;
  return std::string(user ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE") +
         (user ? kUserSettingsKey : kSettingsKey) + " (" +
         registry::HivePath(user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE) + ")";
}

int TSettingsStore::ReadInteger(const char* name) {
  TRegistry* reg = Holder(name);
  return reg ? reg->ReadInteger(name) : InstallDefault(name);
}

bool TSettingsStore::ReadBool(const char* name) {
  TRegistry* reg = Holder(name);
  return reg ? reg->ReadBool(name) : InstallDefault(name) != 0;
}

int TSettingsStore::Read(const TSettingRow& row) {
  return row.Kind == skSwitch ? ReadBool(row.Name) : ReadInteger(row.Name);
}

std::string TSettingsStore::ReadString(const char* name, const std::string& fallback) {
  TRegistry* reg = Holder(name);
  return reg ? reg->ReadString(name) : fallback;
}

TSettingsStore::TWriter::TWriter()
    : reg_(HKEY_CURRENT_USER, KEY_ALL_ACCESS), opened_(reg_.OpenKey(kUserSettingsKey, true)) {}

void TSettingsStore::TWriter::Write(const TSettingRow& row, int value) {
  if (row.Kind == skSwitch)
    reg_.WriteBool(row.Name, value != 0);
  else
    reg_.WriteInteger(row.Name, value);
}

std::string UserSettingsFile() {
  return registry::HivePath(HKEY_CURRENT_USER);
}

}  // namespace zelmar
