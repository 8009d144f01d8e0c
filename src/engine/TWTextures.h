// Textures of the pool. Each item names an image file and, while the device exists, holds the
// texture loaded from it: first from a program resource of the file's stem, then from the file
// found by the media search.
#pragma once

#include <string>

#include "engine/TWCollection.h"
#include "platform/render/d3d9.h"

class TWTextures;

class TWTexture : public TWNamedItem {
 public:
  explicit TWTexture(TWTextures* Collection);

  TWTextures* Textures() const;

  const std::string& FileName() const { return FFileName; }
  // An item that still carries the name of its file takes the new file's name; one given a
  // name of its own keeps it. A loaded texture is loaded again from the new file.
  void SetFileName(const std::string& Value);

  bool LookInResource = true;
  // Make the pixels of the key colour transparent while loading.
  bool ColorKeyCreate = false;
  // The key in the GUI colour form 0x00BBGGRR; it reaches the loader unchanged as ARGB with
  // full alpha, so the low byte acts as blue.
  COLORREF ColorKeyColor = 0;

  // Empty before the first load, after a failed load and after delete.
  IDirect3DTexture9* Texture() const { return FTexture.Get(); }

  // Loads the texture; the loader's result. A file that is missing or cannot be loaded is
  // named through ReportMediaProblem, and the texture stays empty: whoever draws with it then
  // draws without it or leaves its effect out.
  HRESULT InitDeviceObjects() override;
  HRESULT DeleteDeviceObjects() override;

 private:
  Ref<IDirect3DTexture9> FTexture;
  std::string FFileName;
};

class TWTextures : public TWCollectionOf<TWTexture, TWTextures> {
 public:
  using TWCollectionOf::TWCollectionOf;
  std::string NamePattern() const override { return "Name%d.bmp"; }

  // The item for a file, found by its file name without regard to case, or a new one (loaded
  // at once when the collection is initialised). Nothing for an empty name.
  TWTexture* AddTexture(const std::string& FileName);
  TWTexture* FindByName(const std::string& Name) const;

  // Loads every item, whether or not the ones before it loaded; the first failure.
  // True after an init pass in which every item loaded; False again after delete.
  bool Initialized() const { return FInitialized; }
  // An extra absolute directory for the media search.
  std::string ExtraSearchPath;

  HRESULT InitDeviceObjects(TW9DirectX* ADX) override;
  HRESULT DeleteDeviceObjects() override;

 private:
  bool FInitialized = false;
};
