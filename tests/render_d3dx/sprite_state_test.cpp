#include <gtest/gtest.h>

#include <cmath>

#include "platform/render/d3dx/SpriteState.h"

namespace {

TEST(SpriteState, BeginAndEndPairAndALostDeviceEndsTheBatch) {
  SpriteState s;
  EXPECT_EQ(s.End(), D3DERR_INVALIDCALL);
  EXPECT_EQ(s.Begin(), D3D_OK);
  EXPECT_EQ(s.Begin(), D3DERR_INVALIDCALL);
  EXPECT_EQ(s.End(), D3D_OK);
  EXPECT_EQ(s.Begin(), D3D_OK);
  s.Lose();
  EXPECT_TRUE(s.Lost());
  EXPECT_EQ(s.End(), D3DERR_INVALIDCALL);  // the loss ended it
  EXPECT_EQ(s.Begin(), D3DERR_INVALIDCALL);
  s.Reset();
  EXPECT_FALSE(s.Lost());
  EXPECT_EQ(s.Begin(), D3D_OK);
}

TEST(SpriteState, QuadCoversTheSourceRectanglePlacedByTheTransform) {
  SpriteState::Corner q[4];
  // The whole 64 x 32 texture, moved by (10, 20).
  const D3DXVECTOR2 move(10.0f, 20.0f);
  ASSERT_TRUE(SpriteState::Quad(64, 32, nullptr, nullptr, nullptr, 0.0f, &move, q));
  EXPECT_FLOAT_EQ(q[0].x, 10.0f);
  EXPECT_FLOAT_EQ(q[0].y, 20.0f);
  EXPECT_FLOAT_EQ(q[3].x, 74.0f);
  EXPECT_FLOAT_EQ(q[3].y, 52.0f);
  EXPECT_FLOAT_EQ(q[0].u, 0.0f);
  EXPECT_FLOAT_EQ(q[3].u, 1.0f);
  EXPECT_FLOAT_EQ(q[3].v, 1.0f);

  // Part of it, scaled by 2: the texels of that part, twice their size.
  const RECT part{16, 8, 32, 16};
  const D3DXVECTOR2 twice(2.0f, 2.0f);
  ASSERT_TRUE(SpriteState::Quad(64, 32, &part, &twice, nullptr, 0.0f, nullptr, q));
  EXPECT_FLOAT_EQ(q[1].x, 32.0f);
  EXPECT_FLOAT_EQ(q[2].y, 16.0f);
  EXPECT_FLOAT_EQ(q[0].u, 0.25f);
  EXPECT_FLOAT_EQ(q[1].u, 0.5f);
  EXPECT_FLOAT_EQ(q[0].v, 0.25f);
  EXPECT_FLOAT_EQ(q[2].v, 0.5f);

  // A quarter turn about (0, 0): the top-right corner goes below the top-left one.
  const float quarter = 1.5707963f;
  ASSERT_TRUE(SpriteState::Quad(4, 4, nullptr, nullptr, nullptr, quarter, nullptr, q));
  EXPECT_NEAR(q[1].x, 0.0f, 1e-5f);
  EXPECT_NEAR(std::abs(q[1].y), 4.0f, 1e-5f);

  // Without a texture: one texel of colour, as large as the scale makes it.
  const D3DXVECTOR2 big(8.0f, 3.0f);
  ASSERT_TRUE(SpriteState::Quad(0, 0, nullptr, &big, nullptr, 0.0f, nullptr, q));
  EXPECT_FLOAT_EQ(q[3].x, 8.0f);
  EXPECT_FLOAT_EQ(q[3].y, 3.0f);
  EXPECT_FLOAT_EQ(q[3].u, 1.0f);

  const RECT empty{5, 5, 5, 9}, inverted{5, 9, 9, 5};
  EXPECT_FALSE(SpriteState::Quad(64, 32, &empty, nullptr, nullptr, 0.0f, nullptr, q));
  EXPECT_FALSE(SpriteState::Quad(64, 32, &inverted, nullptr, nullptr, 0.0f, nullptr, q));
}

}  // namespace
