// Fake vertex and index buffers: their bytes live in memory, so tests (and the draw records)
// can read what the engine wrote.
#pragma once

#include <vector>

#include "platform/render/fake/FakeResource.h"

class FakeVertexBuffer9 : public IDirect3DVertexBuffer9 {
 public:
  FakeVertexBuffer9(const std::shared_ptr<FakeDeviceLink>& Link,
                    const std::shared_ptr<FakeRecorder>& Recorder, UINT Length, DWORD Usage,
                    DWORD FVF, D3DPOOL Pool);

  HRESULT GetDevice(Ref<IDirect3DDevice9>* ppDevice) override { return FCore.GetDevice(ppDevice); }
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
  HRESULT Unlock() override;
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

  const std::string& Label() const { return FCore.Label(); }
  const std::vector<BYTE>& Bytes() const { return FBytes; }
  bool Locked() const { return FLocks > 0; }

 private:
  FakeResourceCore FCore;
  D3DVERTEXBUFFER_DESC FDesc;
  std::vector<BYTE> FBytes;
  int FLocks = 0;
};

class FakeIndexBuffer9 : public IDirect3DIndexBuffer9 {
 public:
  FakeIndexBuffer9(const std::shared_ptr<FakeDeviceLink>& Link,
                   const std::shared_ptr<FakeRecorder>& Recorder, UINT Length, DWORD Usage,
                   D3DFORMAT Format, D3DPOOL Pool);

  HRESULT GetDevice(Ref<IDirect3DDevice9>* ppDevice) override { return FCore.GetDevice(ppDevice); }
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
  HRESULT Unlock() override;
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;

  const std::string& Label() const { return FCore.Label(); }
  const std::vector<BYTE>& Bytes() const { return FBytes; }
  bool Locked() const { return FLocks > 0; }

 private:
  FakeResourceCore FCore;
  D3DINDEXBUFFER_DESC FDesc;
  std::vector<BYTE> FBytes;
  int FLocks = 0;
};
