// A small object over the registry functions that reads and writes typed values of one key
// and reports a missing or mistyped value by throwing, so a reader can stop at the first
// value it cannot get.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/registry/Registry.h"

namespace zelmar::registry {

class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TRegistry {
 public:
  explicit TRegistry(HKEY root = HKEY_LOCAL_MACHINE, REGSAM access = KEY_ALL_ACCESS);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  // Opens the key below the root, creating it when canCreate; false when it cannot.
  bool OpenKey(const std::string& key, bool canCreate);
  void CloseKey();
  bool HasCurrentKey() const { return current_ != 0; }
  // What the last OpenKey got: ERROR_FILE_NOT_FOUND when neither the key nor its file is there,
  // another error when the file cannot be read (RegLastProblem() says why).
  LSTATUS LastStatus() const { return status_; }

  // True when the open key holds a value of that name, of whatever type.
  bool ValueExists(const std::string& name);

  // Throw ERegistryException "Failed to get data for '<name>'" when the value is missing and
  // "Invalid data type for '<name>'" when it has another type.
  int ReadInteger(const std::string& name);
  bool ReadBool(const std::string& name);
  std::string ReadString(const std::string& name);

  // Throw ERegistryException "Failed to set data for '<name>'" when the write fails.
  void WriteInteger(const std::string& name, int value);
  void WriteBool(const std::string& name, bool value);
  void WriteString(const std::string& name, const std::string& value);

 private:
  HKEY root_;
  REGSAM access_;
  HKEY current_ = 0;
  LSTATUS status_ = ERROR_SUCCESS;
};

}  // namespace zelmar::registry
