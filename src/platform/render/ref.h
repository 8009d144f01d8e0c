// Intrusive reference counting for the render platform's objects, in place of COM's
// AddRef/Release. Every interface derives from RefCounted; a Ref<T> owns one reference.
// Objects are born with no references: the first Ref takes ownership, the last one deletes.
// Releasing in Direct3D's sense is dropping the Ref (`ref = nullptr` or `ref.Reset()`).
// Single-threaded by design, like the rest of the program.
#pragma once

#include <cstddef>
#include <utility>

#include "platform/wintypes.h"

class RefCounted {
 public:
  RefCounted() = default;
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;

  ULONG AddRef() { return ++refs_; }
  // Deletes the object when the count reaches zero; returns the count left.
  ULONG Release() {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  ULONG RefCount() const { return refs_; }

 protected:
  virtual ~RefCounted() = default;

 private:
  ULONG refs_ = 0;
};

template <typename T>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}
  // Takes a reference on p (objects start at zero, so `Ref<T>(new X)` owns the new object).
  explicit Ref(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  Ref(const Ref& o) : Ref(o.p_) {}
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <typename U>
  Ref(const Ref<U>& o) : Ref(static_cast<T*>(o.Get())) {}
  template <typename U>
  Ref(Ref<U>&& o) noexcept : p_(static_cast<T*>(o.Detach())) {}
  ~Ref() { Reset(); }

  Ref& operator=(const Ref& o) {
    Ref(o).Swap(*this);
    return *this;
  }
  Ref& operator=(Ref&& o) noexcept {
    Ref(std::move(o)).Swap(*this);
    return *this;
  }
  Ref& operator=(std::nullptr_t) {
    Reset();
    return *this;
  }

  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  // Gives up ownership without releasing; the caller now holds the reference.
  T* Detach() { return std::exchange(p_, nullptr); }
  void Swap(Ref& o) noexcept { std::swap(p_, o.p_); }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  friend bool operator==(const Ref& a, const Ref& b) { return a.p_ == b.p_; }
  friend bool operator==(const Ref& a, std::nullptr_t) { return a.p_ == nullptr; }

 private:
  T* p_ = nullptr;
};

// Creates an object and hands back its first reference.
template <typename T, typename... Args>
Ref<T> MakeRef(Args&&... args) {
  return Ref<T>(new T(std::forward<Args>(args)...));
}
