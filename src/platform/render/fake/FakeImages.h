// The images the fake's D3DX loaders read (the fake decodes nothing): those a test scripts in
// FakeMachine::Images (by file path or resource name, ignoring case), else a 64 x 64 opaque
// stand-in for a file on disk or a 32 x 32 one for a registered resource. A stand-in's pixels
// are a flat grey, half transparent when the script says the image has alpha.
#pragma once

#include "platform/render/d3dx/ImageSource.h"
#include "platform/render/fake/FakeMachine.h"

class FakeImages final : public ImageSource {
 public:
  explicit FakeImages(const FakeMachine& Machine) : FMachine(Machine) {}

  HRESULT DecodeFile(const std::string& Path, DecodedImage* Out) const override;
  HRESULT DecodeResource(HMODULE Module, const std::string& Name, DecodedImage* Out) const override;

 private:
  const FakeMachine& FMachine;
};
