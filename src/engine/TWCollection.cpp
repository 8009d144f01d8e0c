#include "engine/TWCollection.h"

#include <algorithm>
#include <climits>

std::string UpperCaseAscii(std::string Text) {
  for (char& C : Text)
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
  return Text;
}

std::string LowerCaseAscii(std::string Text) {
  for (char& C : Text)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  return Text;
}

bool SameTextAscii(const std::string& A, const std::string& B) {
  return UpperCaseAscii(A) == UpperCaseAscii(B);
}

TWCollectionItem::TWCollectionItem(TWCollection* Collection) : FCollection(Collection) {
  FCollection->FItems.push_back(this);
}

TWCollectionItem::~TWCollectionItem() {
  auto& Items = FCollection->FItems;
  Items.erase(std::remove(Items.begin(), Items.end(), this), Items.end());
}

int TWCollectionItem::Index() const {
  const auto& Items = FCollection->FItems;
  return static_cast<int>(std::find(Items.begin(), Items.end(), this) - Items.begin());
}

void TWNamedItem::SetName(const std::string& Value) {
  if (Value == FName || Collection()->NameExists(Value)) return;
  FName = Value;
}

TWCollection::TWCollection(TWPool* Owner) : FOwner(Owner) {}

TWCollection::~TWCollection() {
  Clear();
}

void TWCollection::Delete(int Index) {
  delete FItems.at(Index);
}

void TWCollection::Clear() {
  while (!FItems.empty()) delete FItems.back();
}

HRESULT TWCollection::InitDeviceObjects(TW9DirectX* ADX) {
  DX = ADX;
  HRESULT Result = S_OK;
  for (int I = 0; I < Count(); ++I) {
    Result = FItems[I]->InitDeviceObjects();
    if (FAILED(Result)) return Result;
  }
  return Result;
}

HRESULT TWCollection::RestoreDeviceObjects() {
  HRESULT Result = S_OK;
  for (int I = 0; I < Count(); ++I) {
    Result = FItems[I]->RestoreDeviceObjects();
    if (FAILED(Result)) return Result;
  }
  return Result;
}

HRESULT TWCollection::InvalidateDeviceObjects() {
  for (int I = 0; I < Count(); ++I) FItems[I]->InvalidateDeviceObjects();
  return S_OK;
}

HRESULT TWCollection::DeleteDeviceObjects() {
  for (int I = 0; I < Count(); ++I) FItems[I]->DeleteDeviceObjects();
  return S_OK;
}

bool TWCollection::NameExists(const std::string& Name) const {
  const std::string Key = UpperCaseAscii(Name);
  for (const TWCollectionItem* Item : FItems) {
    const auto* Named = dynamic_cast<const TWNamedItem*>(Item);
    if (Named && UpperCaseAscii(Named->Name()) == Key) return true;
  }
  return false;
}

std::string TWCollection::NextFreeName() const {
  const std::string Pattern = NamePattern();
  if (Pattern.empty()) return {};
  // A name is taken by at most one item, so at most Count() + 1 candidates need a look.
  for (long long I = 1; I <= INT_MAX; ++I) {
    std::string Candidate = Pattern;
    const auto At = Candidate.find("%d");
    if (At != std::string::npos) Candidate.replace(At, 2, std::to_string(I));
    if (!NameExists(Candidate)) return Candidate;
  }
  return {};
}
