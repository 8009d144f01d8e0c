// The fake backend's memory: a readable log of every call made on its objects, with the
// arguments and the result, and the failures a test has asked for. One recorder is shared by
// the Direct3D object, its devices and everything they create.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/render/d3d9types.h"

struct FakeCall {
  std::string Method;
  std::string Args;  // "D3DRS_LIGHTING, 0"
  HRESULT Result = S_OK;
  // "Method(Args)", with " -> 0x8876086A" appended for a failure.
  std::string Text() const;
};

class FakeRecorder;

// One call in progress: created on entry, finished by Return with the call's result.
class FakeCallScope {
 public:
  FakeCallScope(FakeRecorder& Recorder, std::size_t Index, HRESULT Injected)
      : FRecorder(Recorder), FIndex(Index), FInjected(Injected) {}
  // True when a test asked this call to fail; Injected() is then the result to return.
  bool Failed() const { return FAILED(FInjected); }
  HRESULT Injected() const { return Return(FInjected); }
  HRESULT Return(HRESULT Result) const;

 private:
  FakeRecorder& FRecorder;
  std::size_t FIndex;
  HRESULT FInjected;
};

class FakeRecorder {
 public:
  // ---- Scripted failures ----
  // Makes calls of Method fail with Result: after Skip successful calls, Times calls in a row
  // (Times < 0: every call from then on).
  void FailCall(const std::string& Method, HRESULT Result, int Times = -1, int Skip = 0);
  void ClearFailures();
  // Every capability check that names Format fails with D3DERR_NOTAVAILABLE, and creating a
  // resource, device or mode in that format fails with D3DERR_INVALIDCALL.
  void RejectFormat(D3DFORMAT Format);
  bool IsRejected(D3DFORMAT Format) const { return FRejected.count(Format) != 0; }

  // ---- The log ----
  const std::vector<FakeCall>& Calls() const { return FCalls; }
  // The calls' texts, one per line.
  std::string Text() const;
  std::vector<std::string> Lines() const;
  // Calls of one method, in order.
  std::vector<FakeCall> CallsTo(const std::string& Method) const;
  int Count(const std::string& Method) const;
  // Whether some call's text equals Line exactly ("SetRenderState(D3DRS_LIGHTING, 0)").
  bool Contains(const std::string& Line) const;
  // Index of the first call at or after From whose text starts with Prefix, or npos.
  std::size_t Find(const std::string& Prefix, std::size_t From = 0) const;
  void Clear() { FCalls.clear(); }
  // Queries the engine repeats many times (capability checks) can be left out of the log.
  bool LogQueries = true;

  // ---- While the fake's D3DX serves a call ----
  // The calls our D3DX makes on the fake's objects to serve one recorded D3DX call (creating
  // and filling a texture, a font's state block, a sprite's draw) are its own business: while
  // a Quiet scope lives they are neither logged nor failed on request, and their draws are not
  // kept. The D3DX call itself is logged, and can be failed, as the engine made it.
  class QuietScope {
   public:
    explicit QuietScope(FakeRecorder& Recorder) : FRecorder(Recorder) { ++FRecorder.FQuiet; }
    ~QuietScope() { --FRecorder.FQuiet; }
    QuietScope(const QuietScope&) = delete;
    QuietScope& operator=(const QuietScope&) = delete;

   private:
    FakeRecorder& FRecorder;
  };
  QuietScope Quiet() { return QuietScope(*this); }
  bool IsQuiet() const { return FQuiet > 0; }

  // ---- Used by the fake objects ----
  // Numbers the objects the log names ("tex#3"), from 1, in creation order.
  int NextObjectId() { return ++FLastObjectId; }
  FakeCallScope Enter(const std::string& Method, std::string Args, bool Query = false);
  void SetResult(std::size_t Index, HRESULT Result);

 private:
  struct TFailure {
    std::string Method;
    HRESULT Result;
    int Times;
    int Skip;
  };
  std::vector<FakeCall> FCalls;
  std::vector<TFailure> FFailures;
  std::set<DWORD> FRejected;
  int FLastObjectId = 0;
  int FQuiet = 0;
};

// Joins arguments with ", " as the log shows them.
template <typename... T>
std::string FakeArgs(const T&... Values) {
  std::ostringstream out;
  const char* separator = "";
  ((out << separator << Values, separator = ", "), ...);
  return out.str();
}

// A 32-bit value as eight hexadecimal digits ("0x8876086A").
std::string FakeHex(DWORD Value);
// A handle (a window, module) as FakeHex shows it: its low 32 bits, whether the platform's
// handles are integers or pointers.
template <typename Handle>
std::string FakeHandleHex(Handle Value) {
  return FakeHex(static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(Value)));
}
// A made-up handle for tests (FakeHandle<HWND>(0x42)), whether the platform's handles are
// integers or pointers.
template <typename Handle>
Handle FakeHandle(std::uintptr_t Value) {
  return reinterpret_cast<Handle>(Value);
}
