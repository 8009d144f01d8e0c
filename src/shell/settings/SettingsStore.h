// The settings as the saver and the dialog read them: each value from the current user's key
// where that holds it, else from the local machine's, else the installed default. Reading opens
// both keys for reading only, so it never creates a file or a key; the dialog saves to the
// current user's key, which every user may write.
#pragma once

#include <string>

#include "platform/registry/TRegistry.h"
#include "shell/settings/SettingsTable.h"

namespace zelmar {

class TSettingsStore {
 public:
  // Opens both keys. A user's file that cannot be read is named on stderr, once per run, and
  // the machine's values apply.
  TSettingsStore();

  // The value from the first key that holds it, or the installed default (InstallDefault or
  // fallback). Throw ERegistryException "Invalid data type for '<name>'" when the first key
  // that holds the value holds another type.
  int ReadInteger(const char* name);
  bool ReadBool(const char* name);
  std::string ReadString(const char* name, const std::string& fallback);
  // A row's value as the table keeps it: a switch's as 1 or 0.
  int Read(const TSettingRow& row);

  // The key that holds the value and its file, for messages: "HKEY_CURRENT_USER\Software\Zelmar
  // (/home/ann/.config/zelmar/zelmar.reg)"; empty when no key holds it.
  std::string Source(const char* name);

  // Why the machine's key could not be read (not for a key or file that is simply absent).
  const std::string& Problem() const { return problem_; }

  // Writes the values of the user's key in one replacement of the user's file (creating the
  // file, its folder and the key when missing). The write order is the caller's.
  class TWriter {
   public:
    TWriter();
    // False when the key cannot be opened; RegLastProblem() says why.
    bool Opened() const { return opened_; }
    // A switch is written as 1 or 0.
    void Write(const TSettingRow& row, int value);
    // ERROR_SUCCESS, or the failure of the file write.
    LSTATUS Commit() { return batch_.Commit(); }

   private:
    registry::TWriteBatch batch_;
    registry::TRegistry reg_;
    bool opened_;
  };

 private:
  // The key that holds the value first, or null when neither does.
  registry::TRegistry* Holder(const char* name);

  // First: every value of one store comes from one version of each file, however many
  // saves replace it while the store reads.
  registry::TReadSnapshot snapshot_;
  registry::TRegistry user_;
  registry::TRegistry machine_;
  std::string problem_;
};

// The file the dialog saves to.
std::string UserSettingsFile();

}  // namespace zelmar
