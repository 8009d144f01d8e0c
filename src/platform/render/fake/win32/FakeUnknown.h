// IUnknown for the fake's objects on Windows, where they are real COM objects. The count starts
// at zero, as RefCounted's does on Linux, so that MakeRef and Ref behave the same on both: the
// first Ref takes ownership and the last Release deletes the object.
#pragma once

#include <windows.h>

// Interface is the most derived interface the object implements; Bases are the interfaces it
// derives from, which QueryInterface hands out as well.
template <class Interface, class... Bases>
class FakeUnknown : public Interface {
 public:
  FakeUnknown() = default;
  FakeUnknown(const FakeUnknown&) = delete;
  FakeUnknown& operator=(const FakeUnknown&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (!IsEqualGUID(riid, __uuidof(IUnknown)) && !IsEqualGUID(riid, __uuidof(Interface)) &&
        !(IsEqualGUID(riid, __uuidof(Bases)) || ...)) {
      return E_NOINTERFACE;
    }
    // Single inheritance throughout: every interface of the object is at the same address.
    *ppvObject = static_cast<Interface*>(this);
    this->AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefs; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --FRefs;
    if (left == 0) delete this;
    return left;
  }
  ULONG RefCount() const { return FRefs; }

 protected:
  virtual ~FakeUnknown() = default;

 private:
  ULONG FRefs = 0;
};
