// A fake vertex buffer: its bytes stay readable for tests.
#pragma once

#include "platform/render/fake/FakeBufferStore.h"

class FakeVertexBuffer9 : public FakeVertexBuffer9Base {
 public:
  FakeVertexBuffer9(const std::shared_ptr<FakeDeviceLink>& Link,
                    const std::shared_ptr<FakeRecorder>& Recorder, UINT Length, DWORD Usage,
                    DWORD FVF, D3DPOOL Pool);

  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override {
    return FStore.Core().GetDevice(ppDevice);
  }
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override {
    return FStore.Lock(OffsetToLock, SizeToLock, ppbData, Flags);
  }
  HRESULT Unlock() override { return FStore.Unlock(); }
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override { return FStore.GetDesc(pDesc, FDesc); }

  const std::string& Label() const { return FStore.Label(); }
  const std::vector<BYTE>& Bytes() const { return FStore.Bytes(); }
  bool Locked() const { return FStore.Locked(); }

 private:
  FakeBufferStore FStore;
  D3DVERTEXBUFFER_DESC FDesc{};
};
