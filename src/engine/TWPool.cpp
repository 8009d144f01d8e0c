#include "engine/TWPool.h"

#include <stdexcept>

#include "engine/TW9DirectX.h"

TWPool::TWPool(TComponent* AOwner)
    : TComponent(AOwner),
      FWFonts(std::make_unique<TWFonts>(this)),
      FWObjects(std::make_unique<TWObjects>(this)),
      FWLights(std::make_unique<TWLights>(this)),
      FWText3Ds(std::make_unique<TWText3Ds>(this)),
      FWTerrains(std::make_unique<TWTerrains>(this)),
      FWTextures(std::make_unique<TWTextures>(this)),
      FWParticleSystems(std::make_unique<TWParticleSystems>(this)),
      FWSprites(std::make_unique<TWSprites>(this)),
      FWXFiles(std::make_unique<TWXFiles>(this)),
      FWLines(std::make_unique<TWLines>(this)),
      FWBillboards(std::make_unique<TWBillboards>(this)) {}

TWPool::~TWPool() {
  Destroying();
  FWFonts.reset();
  FWObjects.reset();
  FWLights.reset();
  FWText3Ds.reset();
  FWTerrains.reset();
  FWTextures.reset();
  FWParticleSystems.reset();
  FWSprites.reset();
  FWXFiles.reset();
  FWLines.reset();
  FWBillboards.reset();
}

TWCollection& TWPool::Collection(int Index) const {
  switch (Index) {
    case 0:
      return *FWFonts;
    case 1:
      return *FWObjects;
    case 2:
      return *FWLights;
    case 3:
      return *FWText3Ds;
    case 4:
      return *FWTerrains;
    case 5:
      return *FWTextures;
    case 6:
      return *FWParticleSystems;
    case 7:
      return *FWSprites;
    case 8:
      return *FWXFiles;
    case 9:
      return *FWLines;
    case 10:
      return *FWBillboards;
    default:
      throw std::out_of_range("TWPool::Collection: index " + std::to_string(Index));
  }
}

void TWPool::SetDX(TW9DirectX* Value) {
  if (Value == FDX) return;
  if (FDXComponent) FDXComponent->RemoveFreeNotification(this);
  FDX = Value;
  FDXComponent = dynamic_cast<TComponent*>(Value);
  if (FDXComponent) FDXComponent->FreeNotification(this);
}

void TWPool::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == TOperation::opRemove && AComponent && AComponent == FDXComponent) {
    if (FUpAndRunning) Deactivate();
    FDX = nullptr;
    FDXComponent = nullptr;
  }
  TComponent::Notification(AComponent, Operation);
}

void TWPool::SetActive(bool Value) {
  if (Value == FActive) return;
  FActive = Value;
  if (Value)
    Activate();
  else
    Deactivate();
}

void TWPool::Activate() {
  if (!FDX) return;
  if (FDX->Started()) {
    InitDeviceObjects();
    RestoreDeviceObjects();
  }
  FUpAndRunning = true;
}

void TWPool::Deactivate() {
  InvalidateDeviceObjects();
  DeleteDeviceObjects();
  FUpAndRunning = false;
}

HRESULT TWPool::InitDeviceObjects() {
  if (!FActive || !FDX) return S_OK;
  HRESULT First = S_OK;
  for (int I = 0; I < CollectionCount; ++I) {
    const HRESULT Result = Collection(I).InitDeviceObjects(FDX);
    if (First == S_OK && Result != S_OK) First = Result;
  }
  return First;
}

HRESULT TWPool::RestoreDeviceObjects() {
  if (!FActive || !FDX) return S_OK;
  HRESULT First = S_OK;
  for (int I = 0; I < CollectionCount; ++I) {
    const HRESULT Result = Collection(I).RestoreDeviceObjects();
    if (First == S_OK && Result != S_OK) First = Result;
  }
  return First;
}

HRESULT TWPool::InvalidateDeviceObjects() {
  for (int I = 0; I < CollectionCount; ++I) Collection(I).InvalidateDeviceObjects();
  return S_OK;
}

HRESULT TWPool::DeleteDeviceObjects() {
  for (int I = 0; I < CollectionCount; ++I) Collection(I).DeleteDeviceObjects();
  return S_OK;
}
