// What the fake vertex and index buffers share: their bytes live in memory, so tests (and the
// draw records) can read what the engine wrote; Lock, Unlock and GetDesc are recorded alike.
#pragma once

#include <memory>
#include <vector>

#include "platform/render/fake/FakeNames.h"
#include "platform/render/fake/FakeRecorder.h"
#include "platform/render/fake/FakeResource.h"

class FakeBufferStore {
 public:
  // Kind is the label's prefix ("vb", "ib"); a default-pool buffer blocks Reset.
  FakeBufferStore(const void* Owner, const std::shared_ptr<FakeDeviceLink>& Link,
                  const std::shared_ptr<FakeRecorder>& Recorder, const char* Kind, UINT Length,
                  D3DPOOL Pool);

  // Maps [OffsetToLock, OffsetToLock + SizeToLock) (SizeToLock 0: to the end).
  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags);
  HRESULT Unlock();
  template <class Desc>
  HRESULT GetDesc(Desc* pDesc, const Desc& Value) {
    auto call = FCore.Recorder().Enter("GetDesc", FakeArgs(FCore.Label()), true);
    if (call.Failed()) return call.Injected();
    if (!pDesc) return call.Return(D3DERR_INVALIDCALL);
    *pDesc = Value;
    return call.Return(D3D_OK);
  }

  const FakeResourceCore& Core() const { return FCore; }
  const std::string& Label() const { return FCore.Label(); }
  const std::vector<BYTE>& Bytes() const { return FBytes; }
  bool Locked() const { return FLocks > 0; }

 private:
  FakeResourceCore FCore;
  std::vector<BYTE> FBytes;
  int FLocks = 0;
};
