#include "platform/render/fake/FakeBufferStore.h"

namespace {

std::string LockFlagsText(DWORD Flags) {
  std::string text;
  auto add = [&](DWORD bit, const char* name) {
    if ((Flags & bit) == 0) return;
    if (!text.empty()) text += "|";
    text += name;
    Flags &= ~bit;
  };
  add(D3DLOCK_DISCARD, "DISCARD");
  add(D3DLOCK_NOOVERWRITE, "NOOVERWRITE");
  add(D3DLOCK_READONLY, "READONLY");
  add(D3DLOCK_NOSYSLOCK, "NOSYSLOCK");
  if (Flags != 0 || text.empty()) {
    if (!text.empty()) text += "|";
    text += std::to_string(Flags);
  }
  return text;
}

// Maps [Offset, Offset + Size) of Bytes (Size 0: to the end); false when out of range.
bool MapRange(std::vector<BYTE>& Bytes, UINT Offset, UINT Size, void** ppbData) {
  if (!ppbData || Offset > Bytes.size() || (Size != 0 && Offset + Size > Bytes.size())) {
    return false;
  }
  *ppbData = Bytes.data() + Offset;
  return true;
}

}  // namespace

FakeBufferStore::FakeBufferStore(const void* Owner, const std::shared_ptr<FakeDeviceLink>& Link,
                                 const std::shared_ptr<FakeRecorder>& Recorder, const char* Kind,
                                 UINT Length, D3DPOOL Pool)
    : FCore(Owner, Link, Recorder, Kind, Pool == D3DPOOL_DEFAULT), FBytes(Length) {}

HRESULT FakeBufferStore::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) {
  auto call = FCore.Recorder().Enter(
      "Lock", FakeArgs(FCore.Label(), OffsetToLock, SizeToLock, LockFlagsText(Flags)));
  if (call.Failed()) return call.Injected();
  if (!MapRange(FBytes, OffsetToLock, SizeToLock, ppbData)) return call.Return(D3DERR_INVALIDCALL);
  ++FLocks;
  return call.Return(D3D_OK);
}

HRESULT FakeBufferStore::Unlock() {
  auto call = FCore.Recorder().Enter("Unlock", FakeArgs(FCore.Label()));
  if (call.Failed()) return call.Injected();
  if (FLocks == 0) return call.Return(D3DERR_INVALIDCALL);
  --FLocks;
  return call.Return(D3D_OK);
}
