// What every object a fake device creates shares: its log label ("tex#3"), the recorder, and
// a link to its device that outlives the device, so GetDevice can fail once the device is
// gone and the device can count the default-pool objects that would block a Reset.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/render/fake/FakeInterfaces.h"
#include "platform/render/fake/FakeRecorder.h"

class FakeDevice9;

struct FakeDeviceLink {
  FakeDevice9* Device = nullptr;  // null once the device is destroyed
  int DefaultPoolObjects = 0;     // alive objects that must be released before Reset
  // The state blocks our D3DX's fonts and sprites hold for themselves until their
  // OnLostDevice: they block Reset too, but are not the engine's objects to count.
  int D3DXObjects = 0;
};

class FakeResourceCore {
 public:
  // Kind is the label's prefix ("tex"); BlocksReset marks a default-pool object, D3DXOwn one
  // that our D3DX made for itself.
  FakeResourceCore(const void* Owner, std::shared_ptr<FakeDeviceLink> Link,
                   std::shared_ptr<FakeRecorder> Recorder, const std::string& Kind,
                   bool BlocksReset, bool D3DXOwn = false);
  ~FakeResourceCore();
  FakeResourceCore(const FakeResourceCore&) = delete;
  FakeResourceCore& operator=(const FakeResourceCore&) = delete;

  const std::string& Label() const { return FLabel; }
  FakeRecorder& Recorder() const { return *FRecorder; }
  FakeDevice9* Device() const { return FLink->Device; }
  const std::shared_ptr<FakeDeviceLink>& Link() const { return FLink; }
  const std::shared_ptr<FakeRecorder>& SharedRecorder() const { return FRecorder; }
  HRESULT GetDevice(IDirect3DDevice9** ppDevice) const;

 private:
  const void* FOwner;
  std::shared_ptr<FakeDeviceLink> FLink;
  std::shared_ptr<FakeRecorder> FRecorder;
  std::string FLabel;
  int* FResetCount;  // the link's count this object is in, or null
};

// The label of a fake object for the log, "null", or "foreign" for an object the fake did not
// make.
std::string FakeLabel(const void* Object);
// Bytes per pixel of a format (4 for formats the fake does not know).
UINT FakeBytesPerPixel(D3DFORMAT Format);
// Points Locked at pRect (null: the whole image) of tightly packed Pixels of Width x Format.
void FakeMapRect(std::vector<BYTE>& Pixels, UINT Width, D3DFORMAT Format, const RECT* pRect,
                 D3DLOCKED_RECT* Locked);
