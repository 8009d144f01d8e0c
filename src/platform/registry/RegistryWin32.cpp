// The registry helpers over the system's own registry: the values live in advapi32, so all that
// is ours is keeping a failure's reason, which the Reg* functions give only as their result.
#include <string>

#include "platform/registry/Registry.h"

namespace zelmar::registry {

namespace {

thread_local std::string lastProblem;

// "error 5: Access is denied." (the system's text ends in a line break, dropped here).
std::string DescribeStatus(LSTATUS rc) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(rc), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string described = "error " + std::to_string(rc);
  if (length && text) {
    std::string message(text, length);
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
      message.pop_back();
    if (!message.empty()) described += ": " + message;
  }
  if (text) LocalFree(text);
  return described;
}

}  // namespace

std::string HivePath() {
  return "the Windows registry";
}

std::string HivePath(HKEY) {
  return HivePath();
}

std::string UserHivePath() {
  return HivePath();
}

std::string RegLastProblem() {
  return lastProblem;
}

LSTATUS NoteStatus(LSTATUS rc) {
  if (rc != ERROR_SUCCESS) lastProblem = DescribeStatus(rc);
  return rc;
}

TWriteBatch::TWriteBatch() : active_(false) {}

TWriteBatch::~TWriteBatch() = default;

LSTATUS TWriteBatch::Commit() {
  return ERROR_SUCCESS;
}

TReadSnapshot::TReadSnapshot() : active_(false) {}

TReadSnapshot::~TReadSnapshot() = default;

}  // namespace zelmar::registry
