// The component model the engine's non-visual parts live in: a component has an owner, owns
// the components created with it as their owner (in creation order, freed with it), and can
// ask another component to tell it when that one goes away (free notification). The framework
// walks its owner's components in this order to reach every resource pool on the same form.
#pragma once

#include <string>
#include <vector>

enum class TOperation { opInsert, opRemove };

class TComponent {
 public:
  // A component created with an owner belongs to it and must be allocated with new.
  explicit TComponent(TComponent* AOwner = nullptr);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const { return FComponents.at(Index); }

  // The owned components of class T, in component order.
  template <class T>
  std::vector<T*> ComponentsOf() const {
    std::vector<T*> Result;
    for (TComponent* C : FComponents)
      if (T* Typed = dynamic_cast<T*>(C)) Result.push_back(Typed);
    return Result;
  }

  std::string Name;

  // AComponent's Notification is called with opRemove when this component is destroyed.
  // The link works both ways, so either side may go first.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Called for insertions into and removals from the owner, and for free notifications. The
  // base passes the news on to every owned component.
  virtual void Notification(TComponent* AComponent, TOperation Operation);

  // Called once the owner has set up every component's stored values.
  virtual void Loaded() {}

  bool IsDestroying() const { return FDestroying; }

 protected:
  // Tells everyone interested that this component is going away. Derived destructors call it
  // first so that listeners still see a whole object; the base destructor calls it otherwise.
  void Destroying();

 private:
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);

  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  bool FDestroying = false;
};
