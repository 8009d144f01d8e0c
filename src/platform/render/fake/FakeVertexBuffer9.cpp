#include "platform/render/fake/FakeVertexBuffer9.h"

FakeVertexBuffer9::FakeVertexBuffer9(const std::shared_ptr<FakeDeviceLink>& Link,
                                     const std::shared_ptr<FakeRecorder>& Recorder, UINT Length,
                                     DWORD Usage, DWORD FVF, D3DPOOL Pool)
    : FStore(this, Link, Recorder, "vb", Length, Pool) {
  FDesc.Format = D3DFMT_VERTEXDATA;
  FDesc.Type = D3DRTYPE_VERTEXBUFFER;
  FDesc.Usage = Usage;
  FDesc.Pool = Pool;
  FDesc.Size = Length;
  FDesc.FVF = FVF;
}
