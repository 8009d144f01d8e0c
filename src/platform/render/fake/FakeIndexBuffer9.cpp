#include "platform/render/fake/FakeIndexBuffer9.h"

FakeIndexBuffer9::FakeIndexBuffer9(const std::shared_ptr<FakeDeviceLink>& Link,
                                   const std::shared_ptr<FakeRecorder>& Recorder, UINT Length,
                                   DWORD Usage, D3DFORMAT Format, D3DPOOL Pool)
    : FStore(this, Link, Recorder, "ib", Length, Pool) {
  FDesc.Type = D3DRTYPE_INDEXBUFFER;
  FDesc.Usage = Usage;
  FDesc.Pool = Pool;
  FDesc.Size = Length;
  FDesc.Format = Format;
}
