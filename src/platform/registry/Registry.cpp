#include "platform/registry/Registry.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "platform/registry/Hive.h"

namespace zelmar::registry {

namespace {

thread_local std::string lastProblem;

struct HeldWrite {
  std::string file;
  std::string keyPath;
  std::optional<HiveValue> value;  // none: the key is created without a value
};
// The writes an active TWriteBatch of this thread holds back; null without a batch.
thread_local std::vector<HeldWrite>* heldWrites = nullptr;

// The files an active TReadSnapshot of this thread has read, as they were then; null without
// one.
struct SnapshotFile {
  std::optional<Hive> hive;
  HiveError error;
};
thread_local std::map<std::string, SnapshotFile>* snapshot = nullptr;

// Reads the file, or takes it from this thread's snapshot.
std::optional<Hive> LoadForRead(const std::string& file, HiveError& error) {
  if (!snapshot) return LoadHive(file, error);
  auto it = snapshot->find(file);
  if (it == snapshot->end()) {
    SnapshotFile read;
    read.hive = LoadHive(file, read.error);
    it = snapshot->emplace(file, std::move(read)).first;
  }
  error = it->second.error;
  return it->second.hive;
}

// After this thread wrote the file: its next read takes the new text.
void Written(const std::string& file) {
  if (snapshot) snapshot->erase(file);
}

struct OpenKey {
  std::string path;
  std::string file;  // the hive file that holds the key's root
  REGSAM access = 0;
};

std::map<HKEY, OpenKey>& OpenKeys() {
  static std::map<HKEY, OpenKey> keys;
  return keys;
}

HKEY nextHandle = 0x1000;

const char* RootName(HKEY root) {
  switch (root) {
    case HKEY_CLASSES_ROOT:
      return "HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER:
      return "HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE:
      return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS:
      return "HKEY_USERS";
    default:
      return nullptr;
  }
}

// A name with a line break could not be written to the file as one line.
bool HasLineBreak(const char* name) {
  return name && std::strpbrk(name, "\r\n") != nullptr;
}

// The full path of subKey below key (a root or an open key), or empty when key is unknown;
// file becomes the hive file that holds it.
std::string FullPath(HKEY key, const char* subKey, std::string& file) {
  std::string base;
  if (const char* root = RootName(key)) {
    base = root;
    file = HivePath(key);
  } else {
    auto it = OpenKeys().find(key);
    if (it == OpenKeys().end()) return {};
    base = it->second.path;
    file = it->second.file;
  }
  std::string sub = subKey ? subKey : "";
  for (char& c : sub)
    if (c == '/') c = '\\';
  while (!sub.empty() && sub.front() == '\\') sub.erase(0, 1);
  while (!sub.empty() && sub.back() == '\\') sub.pop_back();
  return sub.empty() ? base : base + "\\" + sub;
}

HKEY NewHandle(std::string path, std::string file, REGSAM access) {
  HKEY h = nextHandle++;
  OpenKeys()[h] = OpenKey{std::move(path), std::move(file), access};
  return h;
}

LSTATUS Problem(LSTATUS code, std::string text) {
  lastProblem = std::move(text);
  return code;
}

// Classifies a failed write: a file that is not a hive, no permission, or another failure
// (a full disk, an I/O error).
LSTATUS WriteFailure(const HiveError& error) {
  if (error.systemError == 0)
    return Problem(ERROR_BADDB,
                   error.Text() + (error.line > 0 ? " (the file was left as it is)" : ""));
  const int e = error.systemError;
  const bool denied = e == EACCES || e == EPERM || e == EROFS;
  return Problem(denied ? ERROR_ACCESS_DENIED : ERROR_CANTWRITE, error.Text());
}

// The file keeps a key's name between brackets, where a blank at the end reads back trimmed.
bool EndsInBlank(const std::string& path) {
  return !path.empty() && (path.back() == ' ' || path.back() == '\t');
}

// A user without a home folder has no file of their own: reads find nothing there, writes fail.
LSTATUS NoUserFile() {
  return Problem(ERROR_ACCESS_DENIED,
                 "no home folder (HOME is not set) for the user's settings file; set "
                 "XDG_CONFIG_HOME or ZELMAR_HIVE to name where it goes");
}

}  // namespace

std::string HivePath() {
  const char* env = std::getenv("ZELMAR_HIVE");
  if (env && *env) return env;
  return ZELMAR_HIVE_FILE;
}

std::string HivePath(HKEY root) {
  const char* env = std::getenv("ZELMAR_HIVE");
  if (env && *env) return env;
  return root == HKEY_CURRENT_USER ? UserHivePath() : HivePath();
}

std::string UserHivePath() {
  std::string base;
  // Relative paths in XDG_CONFIG_HOME are to be ignored, as the base directory rules say.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') {
    base = config;
  } else {
    std::string home;
    if (const char* env = std::getenv("HOME"); env && *env) {
      home = env;
    } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && *pw->pw_dir) {
      home = pw->pw_dir;
    }
    if (home.empty()) return {};
    base = home + "/.config";
  }
  return base + "/zelmar/zelmar.reg";
}

std::string RegLastProblem() {
  return lastProblem;
}

LSTATUS NoteStatus(LSTATUS rc) {
  return rc;  // every failure of the hive has already said why
}

TReadSnapshot::TReadSnapshot() : active_(snapshot == nullptr) {
  if (active_) snapshot = new std::map<std::string, SnapshotFile>;
}

TReadSnapshot::~TReadSnapshot() {
  if (!active_) return;
  delete snapshot;
  snapshot = nullptr;
}

TWriteBatch::TWriteBatch() : active_(heldWrites == nullptr) {
  if (active_) heldWrites = new std::vector<HeldWrite>;
}

TWriteBatch::~TWriteBatch() {
  if (!active_) return;
  delete heldWrites;
  heldWrites = nullptr;
}

LSTATUS TWriteBatch::Commit() {
  if (!active_ || heldWrites->empty()) return ERROR_SUCCESS;
  std::vector<HeldWrite> writes;
  writes.swap(*heldWrites);
  std::vector<std::string> files;
  for (const HeldWrite& w : writes)
    if (std::find(files.begin(), files.end(), w.file) == files.end()) files.push_back(w.file);
  for (const std::string& file : files) {
    HiveError error;
    bool ok = UpdateHive(
        file,
        [&](Hive& h) {
          for (HeldWrite& w : writes) {
            if (w.file != file) continue;
            HiveKey& key = h.CreateKey(w.keyPath);
            if (w.value) Hive::SetValue(key, std::move(*w.value));
          }
          return true;
        },
        error);
    Written(file);
    if (!ok) return WriteFailure(error);
  }
  return ERROR_SUCCESS;
}

}  // namespace zelmar::registry

using namespace zelmar::registry;

LSTATUS RegOpenKeyExA(HKEY key, const char* subKey, DWORD, REGSAM access, HKEY* result) {
  if (!result) return Problem(ERROR_INVALID_PARAMETER, "no place for the key handle");
  *result = 0;
  std::string file;
  std::string path = FullPath(key, subKey, file);
  if (path.empty()) return Problem(ERROR_INVALID_HANDLE, "not an open key");
  if (file.empty()) return Problem(ERROR_FILE_NOT_FOUND, "no key " + path + " (no home folder)");
  HiveError error;
  std::optional<Hive> hive = LoadForRead(file, error);
  if (!hive) return Problem(ERROR_BADDB, error.Text());
  if (!hive->FindKey(path)) return Problem(ERROR_FILE_NOT_FOUND, "no key " + path + " in " + file);
  *result = NewHandle(path, file, access);
  return ERROR_SUCCESS;
}

LSTATUS RegCreateKeyExA(HKEY key, const char* subKey, DWORD, char*, DWORD, REGSAM access, void*,
                        HKEY* result, DWORD* disposition) {
  if (!result) return Problem(ERROR_INVALID_PARAMETER, "no place for the key handle");
  *result = 0;
  if (HasLineBreak(subKey))
    return Problem(ERROR_INVALID_PARAMETER, "a key name cannot hold a line break");
  std::string file;
  std::string path = FullPath(key, subKey, file);
  if (path.empty()) return Problem(ERROR_INVALID_HANDLE, "not an open key");
  if (EndsInBlank(path))
    return Problem(ERROR_INVALID_PARAMETER, "a key name cannot end in a space or a tab");
  if (file.empty()) return NoUserFile();
  HiveError error;
  std::optional<Hive> hive = LoadHive(file, error);
  if (!hive) return Problem(ERROR_BADDB, error.Text());
  DWORD how = REG_OPENED_EXISTING_KEY;
  if (!hive->FindKey(path) && heldWrites) {
    // Created with the batch's values, so that a batch that fails leaves no empty key.
    how = REG_CREATED_NEW_KEY;
    heldWrites->push_back(HeldWrite{file, path, std::nullopt});
  } else if (!hive->FindKey(path)) {
    how = REG_CREATED_NEW_KEY;
    bool ok = UpdateHive(
        file,
        [&](Hive& h) {
          if (h.FindKey(path)) return false;
          h.CreateKey(path);
          return true;
        },
        error);
    Written(file);
    if (!ok) return WriteFailure(error);
  }
  if (disposition) *disposition = how;
  *result = NewHandle(path, file, access);
  return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExA(HKEY key, const char* valueName, DWORD*, DWORD* type, BYTE* data,
                         DWORD* dataSize) {
  auto it = OpenKeys().find(key);
  if (it == OpenKeys().end()) return Problem(ERROR_INVALID_HANDLE, "not an open key");
  if (data && !dataSize) return Problem(ERROR_INVALID_PARAMETER, "data without its size");
  HiveError error;
  std::optional<Hive> hive = LoadForRead(it->second.file, error);
  if (!hive) return Problem(ERROR_BADDB, error.Text());
  const HiveKey* k = hive->FindKey(it->second.path);
  const std::string name = valueName ? valueName : "";
  const HiveValue* v = k ? Hive::FindValue(*k, name) : nullptr;
  if (!v) return Problem(ERROR_FILE_NOT_FOUND, "no value '" + name + "' in " + it->second.path);
  if (type) *type = v->type;
  const DWORD size = static_cast<DWORD>(v->data.size());
  if (data) {
    if (*dataSize < size) {
      *dataSize = size;
      return Problem(ERROR_MORE_DATA, "buffer too small for '" + name + "'");
    }
    if (size) std::memcpy(data, v->data.data(), size);
  }
  if (dataSize) *dataSize = size;
  return ERROR_SUCCESS;
}

LSTATUS RegSetValueExA(HKEY key, const char* valueName, DWORD, DWORD type, const BYTE* data,
                       DWORD dataSize) {
  auto it = OpenKeys().find(key);
  if (it == OpenKeys().end()) return Problem(ERROR_INVALID_HANDLE, "not an open key");
  if ((it->second.access & KEY_SET_VALUE) == 0)
    return Problem(ERROR_ACCESS_DENIED, "key " + it->second.path + " was not opened for writing");
  if (!data && dataSize) return Problem(ERROR_INVALID_PARAMETER, "size without data");
  if (HasLineBreak(valueName))
    return Problem(ERROR_INVALID_PARAMETER, "a value name cannot hold a line break");
  if (type == REG_DWORD && dataSize != 4)
    return Problem(ERROR_INVALID_PARAMETER, "a REG_DWORD value has 4 bytes");
  HiveValue value{valueName ? valueName : "", type,
                  std::vector<std::uint8_t>(data, data + dataSize)};
  if (type == REG_SZ && (value.data.empty() || value.data.back() != 0)) value.data.push_back(0);
  const std::string path = it->second.path;
  const std::string file = it->second.file;
  if (heldWrites) {
    heldWrites->push_back(HeldWrite{file, path, std::move(value)});
    return ERROR_SUCCESS;
  }
  HiveError error;
  bool ok = UpdateHive(
      file,
      [&](Hive& h) {
        Hive::SetValue(h.CreateKey(path), value);
        return true;
      },
      error);
  Written(file);
  return ok ? ERROR_SUCCESS : WriteFailure(error);
}

LSTATUS RegCloseKey(HKEY key) {
  if (OpenKeys().erase(key) == 0) return Problem(ERROR_INVALID_HANDLE, "not an open key");
  return ERROR_SUCCESS;
}
