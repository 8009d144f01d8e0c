// The contract every resource collection of the pool follows: a collection owned by the pool
// holds items of one class in index order, keeps the framework (`DX`) its items reach the
// device through, and carries them through the device's four phases.
#pragma once

#include <string>
#include <vector>

#include "platform/wintypes.h"

class TW9DirectX;
class TWPool;
class TWCollection;

class TWCollectionItem {
 public:
  // The item joins the end of the collection before the derived constructor runs, so that
  // searches made while it is being set up already see it.
  explicit TWCollectionItem(TWCollection* Collection);
  virtual ~TWCollectionItem();
  TWCollectionItem(const TWCollectionItem&) = delete;
  TWCollectionItem& operator=(const TWCollectionItem&) = delete;

  TWCollection* Collection() const { return FCollection; }
  int Index() const;
  virtual std::string DisplayName() const { return {}; }

  virtual HRESULT InitDeviceObjects() { return S_OK; }
  virtual HRESULT RestoreDeviceObjects() { return S_OK; }
  virtual HRESULT InvalidateDeviceObjects() { return S_OK; }
  virtual HRESULT DeleteDeviceObjects() { return S_OK; }

 private:
  TWCollection* FCollection;
};

// An item whose name is unique in its collection without regard to letter case.
class TWNamedItem : public TWCollectionItem {
 public:
  using TWCollectionItem::TWCollectionItem;
  const std::string& Name() const { return FName; }
  // Ignored, without a message, when Value is the current name or another spelling of a name
  // already in the collection (this item's own included).
  void SetName(const std::string& Value);
  std::string DisplayName() const override { return FName; }

 private:
  std::string FName;
};

class TWCollection {
 public:
  explicit TWCollection(TWPool* Owner);
  virtual ~TWCollection();
  TWCollection(const TWCollection&) = delete;
  TWCollection& operator=(const TWCollection&) = delete;

  TWPool* Owner() const { return FOwner; }
  int Count() const { return static_cast<int>(FItems.size()); }
  TWCollectionItem* Item(int Index) const { return FItems.at(Index); }
  // Frees the item at Index (its platform objects with it).
  void Delete(int Index);
  void Clear();

  // Set by InitDeviceObjects; items reach the device through it.
  TW9DirectX* DX = nullptr;

  // Init and restore stop at the first item that fails and return its code; otherwise the
  // last item's code. Invalidate and delete visit every item and return 0.
  virtual HRESULT InitDeviceObjects(TW9DirectX* ADX);
  virtual HRESULT RestoreDeviceObjects();
  virtual HRESULT InvalidateDeviceObjects();
  virtual HRESULT DeleteDeviceObjects();

  // Names compare after upper-casing the ASCII letters only.
  bool NameExists(const std::string& Name) const;
  // The kind's name pattern ("Object%d") filled with the smallest number from 1 not in use;
  // empty when none is free. Kinds without names have no pattern.
  std::string NextFreeName() const;
  virtual std::string NamePattern() const { return {}; }

 private:
  friend class TWCollectionItem;
  TWPool* FOwner;
  std::vector<TWCollectionItem*> FItems;
};

// A collection of exactly one item class; TSelf is the collection class itself.
template <class TItem, class TSelf>
class TWCollectionOf : public TWCollection {
 public:
  using TWCollection::TWCollection;
  TItem* Add() { return new TItem(static_cast<TSelf*>(this)); }
  TItem* Items(int Index) const { return static_cast<TItem*>(Item(Index)); }
};

// ASCII upper case, the engine's one rule for comparing names.
std::string UpperCaseAscii(std::string Text);
std::string LowerCaseAscii(std::string Text);
bool SameTextAscii(const std::string& A, const std::string& B);
