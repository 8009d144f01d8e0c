#include "platform/render/fake/FakeResource.h"

#include <map>

#include "platform/render/fake/FakeDevice9.h"

namespace {

// Labels of the fake objects alive now, so that arguments passed by pointer print readably.
std::map<const void*, std::string>& Labels() {
  static std::map<const void*, std::string> labels;
  return labels;
}

}  // namespace

FakeResourceCore::FakeResourceCore(const void* Owner, std::shared_ptr<FakeDeviceLink> Link,
                                   std::shared_ptr<FakeRecorder> Recorder, const std::string& Kind,
                                   bool BlocksReset, bool D3DXOwn)
    : FOwner(Owner),
      FLink(std::move(Link)),
      FRecorder(std::move(Recorder)),
      FLabel(Kind + "#" + std::to_string(FRecorder->NextObjectId())),
      FResetCount(!BlocksReset ? nullptr
                  : D3DXOwn    ? &FLink->D3DXObjects
                               : &FLink->DefaultPoolObjects) {
  if (FResetCount) ++*FResetCount;
  Labels()[FOwner] = FLabel;
}

FakeResourceCore::~FakeResourceCore() {
  if (FResetCount) --*FResetCount;
  Labels().erase(FOwner);
}

HRESULT FakeResourceCore::GetDevice(IDirect3DDevice9** ppDevice) const {
  if (!ppDevice) return D3DERR_INVALIDCALL;
  *ppDevice = nullptr;
  if (!FLink->Device) return D3DERR_INVALIDCALL;
  *ppDevice = Ref<IDirect3DDevice9>(FLink->Device).Detach();
  return D3D_OK;
}

std::string FakeLabel(const void* Object) {
  if (!Object) return "null";
  auto it = Labels().find(Object);
  return it == Labels().end() ? "foreign" : it->second;
}

UINT FakeBytesPerPixel(D3DFORMAT Format) {
  switch (Format) {
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_A8L8:
    case D3DFMT_D16:
    case D3DFMT_D15S1:
    case D3DFMT_L16:
      return 2;
    case D3DFMT_A8:
    case D3DFMT_L8:
    case D3DFMT_R3G3B2:
    case D3DFMT_P8:
    case D3DFMT_A4L4:
      return 1;
    case D3DFMT_R8G8B8:
      return 3;
    default:
      return 4;
  }
}

void FakeMapRect(std::vector<BYTE>& Pixels, UINT Width, D3DFORMAT Format, const RECT* pRect,
                 D3DLOCKED_RECT* Locked) {
  const UINT bpp = FakeBytesPerPixel(Format);
  const INT pitch = static_cast<INT>(Width * bpp);
  std::size_t offset = 0;
  if (pRect) {
    offset =
        static_cast<std::size_t>(pRect->top) * pitch + static_cast<std::size_t>(pRect->left) * bpp;
  }
  Locked->Pitch = pitch;
  Locked->pBits = Pixels.data() + offset;
}
