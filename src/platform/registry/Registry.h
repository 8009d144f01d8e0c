// The registry functions the program uses. On Windows they are the system's own (advapi32); on
// other systems ours, over hive files of Hive.h, where each predefined root
// (HKEY_LOCAL_MACHINE, ...) is a section prefix in the file that holds it.
//
// Where the files live: HKEY_CURRENT_USER in the user's own file,
// $XDG_CONFIG_HOME/zelmar/zelmar.reg (~/.config/zelmar/zelmar.reg when that is unset), every
// other root in the machine-wide file chosen when the program was built (under its sysconf
// directory). $ZELMAR_HIVE, when set, names one file that holds every root.
//
// Differences of the hive from the registry that callers may notice:
// - Opening a key asks only that the file can be read; a write to a file the user may not
//   change fails then with ERROR_ACCESS_DENIED. (Refusing the open would make a user who may
//   not write the machine-wide file lose the stored settings on every read.)
// - Reads see the file as it is at the time of the read; every write replaces the file
//   atomically under a lock, so concurrent writers lose nothing.
// - A file that does not parse is never written; RegLastProblem() says where it is wrong.
// - Names with a line break, and key names ending in a space or a tab, are refused with
//   ERROR_INVALID_PARAMETER: the file could not give them back as they were written.
// - A write that fails (a full disk, no permission) leaves the file as it was and says why in
//   RegLastProblem(), with the file's name.
#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/wintypes.h"

using HKEY = std::uintptr_t;
using REGSAM = DWORD;
using LSTATUS = LONG;

constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr LSTATUS ERROR_SUCCESS = 0;
constexpr LSTATUS ERROR_FILE_NOT_FOUND = 2;
constexpr LSTATUS ERROR_ACCESS_DENIED = 5;
constexpr LSTATUS ERROR_INVALID_HANDLE = 6;
constexpr LSTATUS ERROR_INVALID_PARAMETER = 87;
constexpr LSTATUS ERROR_MORE_DATA = 234;
constexpr LSTATUS ERROR_BADDB = 1009;
constexpr LSTATUS ERROR_CANTWRITE = 1013;

LSTATUS RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM access, HKEY* result);
LSTATUS RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char* keyClass, DWORD options,
                        REGSAM access, void* security, HKEY* result, DWORD* disposition);
LSTATUS RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                         DWORD* dataSize);
LSTATUS RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type,
                       const BYTE* data, DWORD dataSize);
LSTATUS RegCloseKey(HKEY key);
#endif

namespace zelmar::registry {

// The machine-wide hive file in use: $ZELMAR_HIVE or the built-in machine-wide path. On
// Windows, where the values live: "the Windows registry".
std::string HivePath();
// The file that holds a root's keys: $ZELMAR_HIVE when set, else the user's file for
// HKEY_CURRENT_USER (empty when the user has no home folder) and HivePath() for the others. On
// Windows, where the root's values live ("the Windows registry (HKEY_CURRENT_USER)").
std::string HivePath(HKEY root);
// $XDG_CONFIG_HOME/zelmar/zelmar.reg, or ~/.config/zelmar/zelmar.reg when XDG_CONFIG_HOME is
// unset or not absolute; empty when the user has no home folder. On Windows, HivePath(HKCU).
std::string UserHivePath();

// What went wrong in the last failed call of this thread, with the hive's path and, for a
// malformed file, its line ("/etc/zelmar/zelmar.reg:7: expected '=' after the value name").
// On Windows, the code that the last call passed to NoteStatus() returned, with the system's
// text for it ("error 5: Access is denied.").
std::string RegLastProblem();

// Passes rc through. On Windows a failure code becomes this thread's RegLastProblem(): the Reg*
// functions report a failure only in what they return (GetLastError() still says "success"),
// so a caller that wants the reason kept hands the code in here. Our hive records its own.
LSTATUS NoteStatus(LSTATUS rc);

// Holds back this thread's value writes (RegSetValueExA) and key creations (RegCreateKeyExA)
// while it lives, so that a group of values lands in the file together or not at all: Commit()
// puts every held write into the file in one replacement, in the order they were made; a batch
// that is not committed writes nothing. (Writes to keys of two files are two replacements,
// made in the order the files were first written.) Reads during a batch do not see the held
// writes. Batches do not nest: a second one on the same thread holds nothing and commits
// nothing. On Windows each value is written as it is set (the registry itself keeps each value
// whole) and Commit() has nothing left to do.
class TWriteBatch {
 public:
  TWriteBatch();
  ~TWriteBatch();
  TWriteBatch(const TWriteBatch&) = delete;
  TWriteBatch& operator=(const TWriteBatch&) = delete;

  // ERROR_SUCCESS, or the failure of the one file write (RegLastProblem() says why); the file
  // is then as it was. The held writes are dropped either way.
  LSTATUS Commit();

 private:
  bool active_;
};

// Makes this thread's reads (RegOpenKeyExA, RegQueryValueExA) see each file as it was at its
// first read while it lives, so that the values of one load come from one version of the file
// however many writers replace it meanwhile. This thread's own writes are seen. Snapshots do
// not nest: a second one on the same thread takes nothing of its own. On Windows the registry
// keeps each value whole and there is no file to hold: it does nothing.
class TReadSnapshot {
 public:
  TReadSnapshot();
  ~TReadSnapshot();
  TReadSnapshot(const TReadSnapshot&) = delete;
  TReadSnapshot& operator=(const TReadSnapshot&) = delete;

 private:
  bool active_;
};

}  // namespace zelmar::registry
