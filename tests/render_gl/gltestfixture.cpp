#include "gltestfixture.h"

#include <QGuiApplication>
#include <QTest>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "platform/render/gl/GLBackend.h"

namespace {

void EnsureApplication() {
  if (qGuiApp) return;
  static int argc = 1;
  static char name[] = "render_gl_test";
  static char* argv[] = {name, nullptr};
  new QGuiApplication(argc, argv);
}

}  // namespace

int Channel(D3DCOLOR c, int shift) {
  return static_cast<int>((c >> shift) & 0xFF);
}

int Brightness(D3DCOLOR c) {
  return Channel(c, 16) + Channel(c, 8) + Channel(c, 0);
}

::testing::AssertionResult ColorNear(D3DCOLOR actual, D3DCOLOR expected, int tolerance) {
  for (int shift : {24, 16, 8, 0})
    if (std::abs(Channel(actual, shift) - Channel(expected, shift)) > tolerance) {
      char text[96];
      std::snprintf(text, sizeof text, "got 0x%08X, expected 0x%08X (+-%d)", actual, expected,
                    tolerance);
      return ::testing::AssertionFailure() << text;
    }
  return ::testing::AssertionSuccess();
}

void GLDeviceTest::SetUp() {
  EnsureApplication();
  UseGLDirect3DBackend();
  d3d_.Attach(Direct3DCreate9(D3D_SDK_VERSION));
  ASSERT_TRUE(d3d_);
  CreateDevice();
}

void GLDeviceTest::TearDown() {
  device_ = nullptr;
  d3d_ = nullptr;
  window_.reset();
}

void GLDeviceTest::CreateDevice(D3DFORMAT depth, QSurface::SurfaceType surface) {
  device_ = nullptr;
  window_ = std::make_unique<QWindow>();
  window_->setSurfaceType(surface);
  window_->resize(static_cast<int>(kSize), static_cast<int>(kSize));
  window_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  pp_ = D3DPRESENT_PARAMETERS();
  pp_.BackBufferWidth = kSize;
  pp_.BackBufferHeight = kSize;
  pp_.BackBufferFormat = D3DFMT_A8R8G8B8;
  pp_.BackBufferCount = 1;
  pp_.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp_.Windowed = TRUE;
  pp_.EnableAutoDepthStencil = depth != D3DFMT_UNKNOWN;
  pp_.AutoDepthStencilFormat = depth;
  pp_.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  D3DCAPS9 caps;
  D3DDEVTYPE type =
      SUCCEEDED(d3d_->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps)) ? D3DDEVTYPE_HAL : D3DDEVTYPE_REF;
  const HWND hwnd = static_cast<HWND>(window_->winId());
  ASSERT_EQ(d3d_->CreateDevice(0, type, hwnd, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp_, &device_),
            D3D_OK);
  ASSERT_TRUE(device_);
}

QImage GLDeviceTest::Grab() {
  return GLGrabBackBuffer(device_.Get());
}

D3DCOLOR GLDeviceTest::Pixel(int x, int y) {
  const QImage image = Grab();
  return reinterpret_cast<const std::uint32_t*>(image.constScanLine(y))[x];
}

void GLDeviceTest::DrawQuad(float x0, float y0, float x1, float y1, D3DCOLOR color, float z,
                            float u0, float v0, float u1, float v1) {
  // Pixel centres are integers: a quad covering pixels x0..x1-1 runs from x0 - 0.5 to x1 - 0.5.
  const TLVertex v[4] = {{x0 - 0.5f, y0 - 0.5f, z, 1, color, u0, v0},
                         {x1 - 0.5f, y0 - 0.5f, z, 1, color, u1, v0},
                         {x0 - 0.5f, y1 - 0.5f, z, 1, color, u0, v1},
                         {x1 - 0.5f, y1 - 0.5f, z, 1, color, u1, v1}};
  device_->SetFVF(0x144);
  ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVertex)), D3D_OK);
}

Ref<IDirect3DTexture9> GLDeviceTest::MakeTexture(UINT w, UINT h,
                                                 const std::vector<D3DCOLOR>& texels) {
  Ref<IDirect3DTexture9> t;
  EXPECT_EQ(device_->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
            D3D_OK);
  D3DLOCKED_RECT r;
  EXPECT_EQ(t->LockRect(0, &r, nullptr, 0), D3D_OK);
  for (UINT y = 0; y < h; ++y)
    for (UINT x = 0; x < w; ++x)
      reinterpret_cast<D3DCOLOR*>(static_cast<std::uint8_t*>(r.pBits) +
                                  y * static_cast<UINT>(r.Pitch))[x] = texels[y * w + x];
  EXPECT_EQ(t->UnlockRect(0), D3D_OK);
  return t;
}

std::vector<MeshVertex> GLDeviceTest::Sphere(float radius, int slices, int stacks) {
  const float pi = std::numbers::pi_v<float>;
  auto point = [&](int i, int j) {
    const float theta = 2 * pi * static_cast<float>(i) / static_cast<float>(slices);
    const float phi = pi * static_cast<float>(j) / static_cast<float>(stacks);
    const float nx = std::sin(phi) * std::cos(theta), ny = std::cos(phi),
                nz = std::sin(phi) * std::sin(theta);
    return MeshVertex{radius * nx,
                      radius * ny,
                      radius * nz,
                      nx,
                      ny,
                      nz,
                      static_cast<float>(i) / static_cast<float>(slices),
                      static_cast<float>(j) / static_cast<float>(stacks)};
  };
  std::vector<MeshVertex> out;
  auto triangle = [&](MeshVertex a, MeshVertex b, MeshVertex c) {
    // Clockwise seen from outside: (b - a) x (c - a) points outwards in left-handed space.
    const float ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
    const float vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
    const float cx = uy * vz - uz * vy, cy = uz * vx - ux * vz, cz = ux * vy - uy * vx;
    const float cross = cx * (a.x + b.x + c.x) + cy * (a.y + b.y + c.y) + cz * (a.z + b.z + c.z);
    if (std::fabs(cx) + std::fabs(cy) + std::fabs(cz) < 1e-9f) return;
    if (cross > 0)
      out.insert(out.end(), {a, b, c});
    else
      out.insert(out.end(), {a, c, b});
  };
  for (int j = 0; j < stacks; ++j)
    for (int i = 0; i < slices; ++i) {
      triangle(point(i, j), point(i + 1, j), point(i, j + 1));
      triangle(point(i + 1, j), point(i + 1, j + 1), point(i, j + 1));
    }
  return out;
}

void GLDeviceTest::SetCamera() {
  D3DXMATRIX proj, view, world;
  D3DXMatrixPerspectiveFovLH(&proj, std::numbers::pi_v<float> / 4, 1.0f, 1.0f, 100.0f);
  D3DXVECTOR3 eye(0, 0, -5), at(0, 0, 0), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXMatrixIdentity(&world);
  device_->SetTransform(D3DTS_PROJECTION, &proj);
  device_->SetTransform(D3DTS_VIEW, &view);
  device_->SetTransform(D3DTS_WORLD, &world);
}

std::string GLDeviceTest::TempPath(const char* name) const {
  const char* build = std::getenv("ZELMAR_BUILD_DIR");
  return std::string(build ? build : "/tmp") + "/render_gl_" + name;
}
