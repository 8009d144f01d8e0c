#include "platform/registry/TRegistry.h"

#include <algorithm>
#include <vector>

namespace zelmar::registry {

namespace {

ERegistryException GetFailure(const std::string& name) {
  return ERegistryException("Failed to get data for '" + name + "'");
}
ERegistryException TypeFailure(const std::string& name) {
  return ERegistryException("Invalid data type for '" + name + "'");
}

}  // namespace

TRegistry::TRegistry(HKEY root, REGSAM access) : root_(root), access_(access) {}

TRegistry::~TRegistry() {
  CloseKey();
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  CloseKey();
  // "\SOFTWARE\Zelmar" names a key below the root; the Windows registry refuses the leading
  // backslash (ERROR_BAD_PATHNAME) where our hive would take it.
  const std::string path = key.substr(std::min(key.find_first_not_of('\\'), key.size()));
  HKEY h = 0;
  LSTATUS rc = canCreate ? RegCreateKeyExA(root_, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           access_, nullptr, &h, nullptr)
                         : RegOpenKeyExA(root_, path.c_str(), 0, access_, &h);
  status_ = rc;
  if (NoteStatus(rc) != ERROR_SUCCESS) return false;
  current_ = h;
  return true;
}

bool TRegistry::ValueExists(const std::string& name) {
  DWORD size = 0;
  return current_ && RegQueryValueExA(current_, name.c_str(), nullptr, nullptr, nullptr, &size) ==
                         ERROR_SUCCESS;
}

void TRegistry::CloseKey() {
  if (current_) RegCloseKey(current_);
  current_ = 0;
}

int TRegistry::ReadInteger(const std::string& name) {
  DWORD type = 0, value = 0, size = sizeof value;
  if (!current_) throw GetFailure(name);
  DWORD probeSize = 0;
  if (NoteStatus(RegQueryValueExA(current_, name.c_str(), nullptr, &type, nullptr, &probeSize)) !=
      ERROR_SUCCESS)
    throw GetFailure(name);
  if (type != REG_DWORD || probeSize != sizeof value) throw TypeFailure(name);
  if (NoteStatus(RegQueryValueExA(current_, name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(&value), &size)) != ERROR_SUCCESS)
    throw GetFailure(name);
  return static_cast<int>(value);
}

bool TRegistry::ReadBool(const std::string& name) {
  return ReadInteger(name) != 0;
}

std::string TRegistry::ReadString(const std::string& name) {
  DWORD type = 0, size = 0;
  if (!current_ || NoteStatus(RegQueryValueExA(current_, name.c_str(), nullptr, &type, nullptr,
                                               &size)) != ERROR_SUCCESS)
    throw GetFailure(name);
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw TypeFailure(name);
  std::vector<BYTE> data(size);
  if (size && NoteStatus(RegQueryValueExA(current_, name.c_str(), nullptr, &type, data.data(),
                                          &size)) != ERROR_SUCCESS)
    throw GetFailure(name);
  std::string s(data.begin(), data.begin() + size);
  if (auto nul = s.find('\0'); nul != std::string::npos) s.resize(nul);
  return s;
}

void TRegistry::WriteInteger(const std::string& name, int value) {
  DWORD v = static_cast<DWORD>(value);
  if (!current_ ||
      NoteStatus(RegSetValueExA(current_, name.c_str(), 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&v), sizeof v)) != ERROR_SUCCESS)
    throw ERegistryException("Failed to set data for '" + name + "'");
}

void TRegistry::WriteBool(const std::string& name, bool value) {
  WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  if (!current_ ||
      NoteStatus(RegSetValueExA(current_, name.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>(value.size() + 1))) != ERROR_SUCCESS)
    throw ERegistryException("Failed to set data for '" + name + "'");
}

}  // namespace zelmar::registry
