#include "engine/TComponent.h"

#include <algorithm>

namespace {

void Erase(std::vector<TComponent*>& List, TComponent* Item) {
  List.erase(std::remove(List.begin(), List.end(), Item), List.end());
}

}  // namespace

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Owned components go last-created first, so a later component can still rely on an
  // earlier one while it is torn down.
  while (!FComponents.empty()) delete FComponents.back();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::Destroying() {
  if (FDestroying) return;
  FDestroying = true;
  // Each listener may change the list (it usually removes its own link), so take a copy.
  const std::vector<TComponent*> Listeners = FFreeNotifies;
  for (TComponent* Listener : Listeners) {
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), Listener) == FFreeNotifies.end())
      continue;
    Erase(FFreeNotifies, Listener);
    Erase(Listener->FFreeNotifies, this);
    Listener->Notification(this, TOperation::opRemove);
  }
}

void TComponent::InsertComponent(TComponent* AComponent) {
  AComponent->FOwner = this;
  FComponents.push_back(AComponent);
  Notification(AComponent, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  Erase(FComponents, AComponent);
  AComponent->FOwner = nullptr;
  Notification(AComponent, TOperation::opRemove);
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
    FFreeNotifies.push_back(AComponent);
  if (std::find(AComponent->FFreeNotifies.begin(), AComponent->FFreeNotifies.end(), this) ==
      AComponent->FFreeNotifies.end())
    AComponent->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  Erase(FFreeNotifies, AComponent);
  Erase(AComponent->FFreeNotifies, this);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == TOperation::opRemove && AComponent) RemoveFreeNotification(AComponent);
  // A listener may free components in response; walk by index from the end and re-check.
  int I = ComponentCount() - 1;
  while (I >= 0) {
    if (FComponents[I] != AComponent) FComponents[I]->Notification(AComponent, Operation);
    --I;
    if (I >= ComponentCount()) I = ComponentCount() - 1;
  }
}
