// The resource pool: a component next to the device framework that owns one collection per
// kind of device resource and carries them, in a fixed order, through the device's phases.
#pragma once

#include <memory>
#include <string>

#include "engine/TComponent.h"
#include "engine/TWBillboards.h"
#include "engine/TWFonts.h"
#include "engine/TWLights.h"
#include "engine/TWLines.h"
#include "engine/TWObjects.h"
#include "engine/TWParticleSystems.h"
#include "engine/TWSprites.h"
#include "engine/TWTerrains.h"
#include "engine/TWText3Ds.h"
#include "engine/TWTextures.h"
#include "engine/TWXFiles.h"

class TW9DirectX;

class TWPool : public TComponent {
 public:
  explicit TWPool(TComponent* AOwner = nullptr);
  ~TWPool() override;

  TW9DirectX* DX() const { return FDX; }
  // Follows the framework's removal: when it goes, the pool tears down (if up) and forgets it.
  void SetDX(TW9DirectX* Value);

  // The owner's wish: only an active pool takes part in the init and restore phases.
  bool Active() const { return FActive; }
  void SetActive(bool Value);
  // Set by Activate, cleared by Deactivate.
  bool UpAndRunning() const { return FUpAndRunning; }

  void Activate();
  void Deactivate();

  // Init and restore fan out to every collection in the fixed order and return the first
  // failure (the later collections are still called); invalidate and delete always return 0.
  HRESULT InitDeviceObjects();
  HRESULT RestoreDeviceObjects();
  HRESULT InvalidateDeviceObjects();
  HRESULT DeleteDeviceObjects();

  void Notification(TComponent* AComponent, TOperation Operation) override;

  // The eleven collections, in phase order. They live as long as the pool.
  TWFonts& WFonts() const { return *FWFonts; }
  TWObjects& WObjects() const { return *FWObjects; }
  TWLights& WLights() const { return *FWLights; }
  TWText3Ds& WText3Ds() const { return *FWText3Ds; }
  TWTerrains& WTerrains() const { return *FWTerrains; }
  TWTextures& WTextures() const { return *FWTextures; }
  TWParticleSystems& WParticleSystems() const { return *FWParticleSystems; }
  TWSprites& WSprites() const { return *FWSprites; }
  TWXFiles& WXFiles() const { return *FWXFiles; }
  TWLines& WLines() const { return *FWLines; }
  TWBillboards& WBillboards() const { return *FWBillboards; }
  static constexpr int CollectionCount = 11;
  TWCollection& Collection(int Index) const;

  // Media subdirectories below the program's directory, or absolute directories; backslash
  // separators are accepted.
  std::string PathTextures = "textures\\";
  std::string PathXFiles = "xfiles\\";
  std::string PathMaps = "maps\\";

 private:
  TW9DirectX* FDX = nullptr;
  // The framework as a component, when it is one; the removal notice names it this way.
  TComponent* FDXComponent = nullptr;
  bool FActive = false;
  bool FUpAndRunning = false;

  std::unique_ptr<TWFonts> FWFonts;
  std::unique_ptr<TWObjects> FWObjects;
  std::unique_ptr<TWLights> FWLights;
  std::unique_ptr<TWText3Ds> FWText3Ds;
  std::unique_ptr<TWTerrains> FWTerrains;
  std::unique_ptr<TWTextures> FWTextures;
  std::unique_ptr<TWParticleSystems> FWParticleSystems;
  std::unique_ptr<TWSprites> FWSprites;
  std::unique_ptr<TWXFiles> FWXFiles;
  std::unique_ptr<TWLines> FWLines;
  std::unique_ptr<TWBillboards> FWBillboards;
};
