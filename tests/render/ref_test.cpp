// Ownership through Ref<T>: the last reference deletes, out-parameters take over ownership.
#include <gtest/gtest.h>

#include "platform/render/d3dx9.h"

namespace {

struct Probe : RefCounted {
  explicit Probe(int* deaths) : deaths_(deaths) {}
  ~Probe() override { ++*deaths_; }
  int* deaths_;
};

TEST(Ref, LastReferenceDeletes) {
  int deaths = 0;
  Ref<Probe> a = MakeRef<Probe>(&deaths);
  {
    Ref<Probe> b = a;
    EXPECT_EQ(a->RefCount(), 2u);
  }
  EXPECT_EQ(deaths, 0);
  Ref<Probe> c = std::move(a);
  EXPECT_FALSE(a);
  c = nullptr;
  EXPECT_EQ(deaths, 1);
}

// COM's convention: a creating call stores a pointer that already carries the caller's
// reference, so `&ref` must release what ref held and must not add a reference of its own.
TEST(Ref, OutParameterReleasesTheOldObjectAndOwnsTheNewOnce) {
  int deaths = 0;
  auto create = [&](Probe** out) { *out = MakeRef<Probe>(&deaths).Detach(); };
  Ref<Probe> r = MakeRef<Probe>(&deaths);
  create(&r);
  EXPECT_EQ(deaths, 1);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->RefCount(), 1u);

  Ref<Probe> other;
  other.Attach(r.Share());
  EXPECT_EQ(other.Get(), r.Get());
  EXPECT_EQ(r->RefCount(), 2u);
  r = nullptr;
  other = nullptr;
  EXPECT_EQ(deaths, 2);
}

TEST(Direct3DCreate9, NeedsBackendAndVersion) {
  SetDirect3DBackend({});
#if defined(_WIN32)
  // Without a chosen backend Windows has the real Direct3D of d3d9.dll.
  AdoptRef(Direct3DCreate9(D3D_SDK_VERSION));
#else
  EXPECT_FALSE(Direct3DCreate9(D3D_SDK_VERSION));
#endif
  int calls = 0;
  SetDirect3DBackend([&] {
    ++calls;
    return Ref<IDirect3D9>();
  });
  Direct3DCreate9(30);
  EXPECT_EQ(calls, 0);
  Direct3DCreate9(D3D_SDK_VERSION);
  EXPECT_EQ(calls, 1);
  SetDirect3DBackend({});
}

}  // namespace
