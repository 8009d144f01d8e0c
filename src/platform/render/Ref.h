// Reference counting for the render platform's objects, shaped as COM's: creating calls hand an
// object out through a T** out-parameter carrying one reference for the caller, and the caller
// releases it. Ref<T> is the smart pointer that holds such references, on every platform:
// `&ref` releases what it held and hands out its T** for a creating call to fill, Attach takes
// over a pointer returned with a reference (Direct3DCreate9), and Share adds one for a caller.
// On Linux our objects derive from RefCounted; on Windows they are real COM objects.
// Single-threaded by design, like the rest of the program.
#pragma once

#include <cstddef>
#include <utility>

#include "platform/wintypes.h"

// Our own objects' count. A new object starts at zero references: the first Ref (or a Detach
// into an out-parameter) takes ownership, the last Release deletes it.
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
  // Takes a reference of its own on p (a borrowed pointer, or a new object of ours).
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
  // The out-parameter of a creating call: what was held is released first, and the callee
  // stores a pointer that already carries the reference this Ref then owns.
  T** operator&() {
    Reset();
    return &p_;
  }
  // Takes over p together with the reference it carries (no AddRef).
  void Attach(T* p) {
    Reset();
    p_ = p;
  }
  // Gives up ownership without releasing; the caller now holds the reference.
  T* Detach() { return std::exchange(p_, nullptr); }
  // A new reference for a caller, e.g. to store through a T** out-parameter.
  T* Share() const {
    if (p_) p_->AddRef();
    return p_;
  }
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

// A Ref that takes over a pointer carrying a reference (Direct3DCreate9's result).
template <typename T>
Ref<T> AdoptRef(T* p) {
  Ref<T> r;
  r.Attach(p);
  return r;
}

// Creates an object and hands back its first reference.
template <typename T, typename... Args>
Ref<T> MakeRef(Args&&... args) {
  return Ref<T>(new T(std::forward<Args>(args)...));
}
