// D3DX's matrix formulas, element by element, and the row-vector composition order.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "platform/render/d3dx9.h"

namespace {

void ExpectMatrix(const D3DXMATRIX& m, std::initializer_list<float> expected, float tol = 1e-6f) {
  int i = 0;
  for (float e : expected) {
    EXPECT_NEAR(m.m[i / 4][i % 4], e, tol) << "element " << (i / 4 + 1) << (i % 4 + 1);
    ++i;
  }
}

D3DXVECTOR3 Transform(const D3DXVECTOR3& p, const D3DXMATRIX& m, float* w = nullptr) {
  float r[4];
  for (int c = 0; c < 4; ++c)
    r[c] = p.x * m.m[0][c] + p.y * m.m[1][c] + p.z * m.m[2][c] + m.m[3][c];
  if (w) *w = r[3];
  return D3DXVECTOR3(r[0], r[1], r[2]);
}

// Default-constructed D3DX values are zero on both platforms (on Windows the structs beneath
// them are plain C structs).
TEST(D3DXMath, DefaultValuesAreZero) {
  const D3DXVECTOR3 v;
  EXPECT_EQ(v, D3DVECTOR{});
  const D3DXCOLOR c;
  EXPECT_EQ(static_cast<D3DCOLOR>(c), 0u);
  const D3DXMATRIX m;
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i / 4][i % 4], 0.0f);
}

TEST(D3DXMath, ElementaryMatricesFollowD3DXLayout) {
  const float a = 0.3f, c = std::cos(a), s = std::sin(a);
  D3DXMATRIX m;
  ExpectMatrix(*D3DXMatrixRotationX(&m, a), {1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1});
  ExpectMatrix(*D3DXMatrixRotationY(&m, a), {c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1});
  ExpectMatrix(*D3DXMatrixRotationZ(&m, a), {c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
  ExpectMatrix(*D3DXMatrixTranslation(&m, 1, 2, 3),
               {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1});
  ExpectMatrix(*D3DXMatrixScaling(&m, 2, 3, 4), {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1});
}

TEST(D3DXMath, ProductActsLeftFirstAndMayAlias) {
  D3DXMATRIX r, t;
  D3DXMatrixRotationY(&r, std::numbers::pi_v<float> / 2);
  D3DXMatrixTranslation(&t, 10, 0, 0);
  // Rotate (1,0,0) a quarter turn about y (to (0,0,-1)), then move by 10 along x.
  D3DXVECTOR3 p = Transform(D3DXVECTOR3(1, 0, 0), r * t);
  EXPECT_NEAR(p.x, 10, 1e-5);
  EXPECT_NEAR(p.z, -1, 1e-5);
  D3DXMATRIX a = r;
  D3DXMatrixMultiply(&a, &a, &t);
  EXPECT_TRUE(a == r * t);
}

TEST(D3DXMath, PerspectiveFovLHMapsNearToZeroAndFarToOne) {
  D3DXMATRIX m;
  const float fov = std::numbers::pi_v<float> / 4;
  D3DXMatrixPerspectiveFovLH(&m, fov, 4.0f / 3.0f, 1.0f, 10000000.0f);
  const float ys = 1.0f / std::tan(fov / 2);
  ExpectMatrix(m,
               {ys * 0.75f, 0, 0, 0, 0, ys, 0, 0, 0, 0, 10000000.0f / 9999999.0f, 1, 0, 0,
                -10000000.0f / 9999999.0f, 0},
               1e-5f);
  float w;
  D3DXVECTOR3 n = Transform(D3DXVECTOR3(0, 0, 1), m, &w);
  EXPECT_NEAR(n.z / w, 0.0f, 1e-6);
  D3DXMatrixPerspectiveFovLH(&m, fov, 1.0f, 1.0f, 100.0f);
  D3DXVECTOR3 f = Transform(D3DXVECTOR3(0, 0, 100), m, &w);
  EXPECT_NEAR(f.z / w, 1.0f, 1e-6);
}

TEST(D3DXMath, LookAtLHPutsTargetOnPositiveZ) {
  D3DXMATRIX m;
  D3DXVECTOR3 eye(0, 0, -5), at(0, 0, 0), up(0, 1, 0);
  D3DXMatrixLookAtLH(&m, &eye, &at, &up);
  ExpectMatrix(m, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 5, 1});
  // From the side: looking along +x from the origin, the point (3, 1, 0) is 3 ahead, 1 up.
  eye = D3DXVECTOR3(0, 0, 0);
  at = D3DXVECTOR3(1, 0, 0);
  D3DXMatrixLookAtLH(&m, &eye, &at, &up);
  D3DXVECTOR3 p = Transform(D3DXVECTOR3(3, 1, 0), m);
  EXPECT_NEAR(p.x, 0, 1e-6);
  EXPECT_NEAR(p.y, 1, 1e-6);
  EXPECT_NEAR(p.z, 3, 1e-6);
  // Looking straight along up: D3DX yields zero axes, not NaN.
  at = D3DXVECTOR3(0, 5, 0);
  D3DXMatrixLookAtLH(&m, &eye, &at, &up);
  EXPECT_FALSE(std::isnan(m._11));
}

TEST(D3DXMath, Transformation2DScalesThenRotatesAboutCentreThenMoves) {
  D3DXMATRIX m;
  D3DXVECTOR2 scale{2, 2}, centre{10, 0}, move{100, 50};
  D3DXMatrixTransformation2D(&m, nullptr, 0, &scale, &centre, std::numbers::pi_v<float> / 2, &move);
  // (10, 0) scales to (20, 0), turns a quarter about (10, 0) to (10, 10), moves to (110, 60).
  D3DXVECTOR3 p = Transform(D3DXVECTOR3(10, 0, 0), m);
  EXPECT_NEAR(p.x, 110, 1e-4);
  EXPECT_NEAR(p.y, 60, 1e-4);
}

TEST(D3DXMath, ColorConversions) {
  EXPECT_EQ(D3DCOLOR_ARGB(1, 2, 3, 4), 0x01020304u);
  EXPECT_EQ(D3DCOLOR_XRGB(0x10, 0x20, 0x30), 0xFF102030u);
  D3DXCOLOR c(0xFF804020u);
  EXPECT_NEAR(c.r, 128 / 255.0f, 1e-6);
  EXPECT_EQ(static_cast<D3DCOLOR>(c), 0xFF804020u);
  EXPECT_EQ(static_cast<D3DCOLOR>(D3DXCOLOR(2.0f, -1.0f, 0.5f, 1.0f)), 0xFFFF0080u);
  // The macro truncates where the colour object rounds; out of range both saturate.
  EXPECT_EQ(D3DCOLOR_COLORVALUE(.5f, .25f, 1.f, .5f), 0x7F7F3FFFu);
  EXPECT_EQ(static_cast<D3DCOLOR>(D3DXCOLOR(.5f, .25f, 1.f, .5f)), 0x808040FFu);
  EXPECT_EQ(D3DCOLOR_COLORVALUE(2.0f, -1.0f, 0.999f, 1.0f), 0xFFFF00FEu);
}

}  // namespace
