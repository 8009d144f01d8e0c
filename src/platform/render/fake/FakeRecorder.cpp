#include "platform/render/fake/FakeRecorder.h"

#include <cstdio>

std::string FakeCall::Text() const {
  std::string text = Method + "(" + Args + ")";
  if (FAILED(Result)) text += " -> " + FakeHex(static_cast<DWORD>(Result));
  return text;
}

HRESULT FakeCallScope::Return(HRESULT Result) const {
  FRecorder.SetResult(FIndex, Result);
  return Result;
}

std::string FakeHex(DWORD Value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(Value));
  return text;
}

void FakeRecorder::FailCall(const std::string& Method, HRESULT Result, int Times, int Skip) {
  FFailures.push_back({Method, Result, Times, Skip});
}

void FakeRecorder::ClearFailures() {
  FFailures.clear();
  FRejected.clear();
}

void FakeRecorder::RejectFormat(D3DFORMAT Format) {
  FRejected.insert(Format);
}

std::vector<std::string> FakeRecorder::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(FCalls.size());
  for (const FakeCall& call : FCalls) lines.push_back(call.Text());
  return lines;
}

std::string FakeRecorder::Text() const {
  std::string text;
  for (const FakeCall& call : FCalls) text += call.Text() + "\n";
  return text;
}

std::vector<FakeCall> FakeRecorder::CallsTo(const std::string& Method) const {
  std::vector<FakeCall> calls;
  for (const FakeCall& call : FCalls) {
    if (call.Method == Method) calls.push_back(call);
  }
  return calls;
}

int FakeRecorder::Count(const std::string& Method) const {
  int count = 0;
  for (const FakeCall& call : FCalls) count += call.Method == Method ? 1 : 0;
  return count;
}

bool FakeRecorder::Contains(const std::string& Line) const {
  for (const FakeCall& call : FCalls) {
    if (call.Text() == Line) return true;
  }
  return false;
}

std::size_t FakeRecorder::Find(const std::string& Prefix, std::size_t From) const {
  for (std::size_t i = From; i < FCalls.size(); ++i) {
    if (FCalls[i].Text().compare(0, Prefix.size(), Prefix) == 0) return i;
  }
  return std::string::npos;
}

FakeCallScope FakeRecorder::Enter(const std::string& Method, std::string Args, bool Query) {
  if (FQuiet > 0) return FakeCallScope(*this, std::string::npos, S_OK);
  HRESULT injected = S_OK;
  for (TFailure& failure : FFailures) {
    if (failure.Method != Method) continue;
    if (failure.Skip > 0) {
      --failure.Skip;
      continue;
    }
    if (failure.Times == 0) continue;
    if (failure.Times > 0) --failure.Times;
    injected = failure.Result;
    break;
  }
  if (Query && !LogQueries) return FakeCallScope(*this, std::string::npos, injected);
  FCalls.push_back({Method, std::move(Args), S_OK});
  return FakeCallScope(*this, FCalls.size() - 1, injected);
}

void FakeRecorder::SetResult(std::size_t Index, HRESULT Result) {
  if (Index < FCalls.size()) FCalls[Index].Result = Result;
}
