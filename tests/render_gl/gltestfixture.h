// A GL device on a real window under Xvfb (llvmpipe), and the helpers the pixel tables use:
// draw, read the back buffer, compare colours with a tolerance.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QWindow>
#include <memory>
#include <vector>

#include "platform/render/d3dx9.h"

// Vertex of the pre-transformed format 0x144.
struct TLVertex {
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
};
// Vertex of format 0x112.
struct MeshVertex {
  float x, y, z, nx, ny, nz, u, v;
};
// Vertex of format 0x142.
struct ColorVertex {
  float x, y, z;
  D3DCOLOR color;
  float u, v;
};

class GLDeviceTest : public ::testing::Test {
 protected:
  static constexpr UINT kSize = 64;

  void SetUp() override;
  void TearDown() override;
  // (Re)creates the device on the test window with these presentation parameters' changes.
  void CreateDevice(D3DFORMAT depth = D3DFMT_D24S8,
                    QSurface::SurfaceType surface = QSurface::OpenGLSurface);

  QImage Grab();
  D3DCOLOR Pixel(int x, int y);
  // Pre-transformed quad covering pixels [x0, x1) x [y0, y1), drawn with DrawPrimitiveUP.
  void DrawQuad(float x0, float y0, float x1, float y1, D3DCOLOR color, float z = 0.5f,
                float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1);
  // A texture of the given ARGB texels (A8R8G8B8), row by row.
  Ref<IDirect3DTexture9> MakeTexture(UINT w, UINT h, const std::vector<D3DCOLOR>& texels);
  // A unit-free sphere mesh (format 0x112) with front faces wound clockwise from outside.
  static std::vector<MeshVertex> Sphere(float radius, int slices, int stacks);
  // Perspective camera at (0, 0, -5) looking at the origin.
  void SetCamera();
  std::string TempPath(const char* name) const;

  std::unique_ptr<QWindow> window_;
  Ref<IDirect3D9> d3d_;
  Ref<IDirect3DDevice9> device_;
  D3DPRESENT_PARAMETERS pp_;
};

// Channel-wise comparison within a tolerance; prints both colours on failure.
::testing::AssertionResult ColorNear(D3DCOLOR actual, D3DCOLOR expected, int tolerance = 2);
int Channel(D3DCOLOR c, int shift);
int Brightness(D3DCOLOR c);
