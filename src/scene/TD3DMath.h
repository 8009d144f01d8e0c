// The scene's vector and matrix vocabulary: single-precision vectors and row-vector matrices
// (p * M; in A * B, A acts first), built on the render platform's D3DX types so that values
// pass to the device unchanged.
#pragma once

#include <cmath>

#include "platform/render/d3dx9.h"

using TD3DVector = D3DXVECTOR3;
using TD3DMatrix = D3DXMATRIX;

inline TD3DVector operator+(const TD3DVector& a, const TD3DVector& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline TD3DVector operator-(const TD3DVector& a, const TD3DVector& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline TD3DVector operator*(const TD3DVector& a, float s) {
  return {a.x * s, a.y * s, a.z * s};
}
inline TD3DVector operator/(const TD3DVector& a, float s) {
  return {a.x / s, a.y / s, a.z / s};
}
inline bool operator==(const TD3DVector& a, const TD3DVector& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

inline float VectorLength(const TD3DVector& v) {
  return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}
// No guard against zero length: callers that can meet one test for it themselves.
inline TD3DVector VectorNormalize(const TD3DVector& v) {
  return v / VectorLength(v);
}
inline float VectorDot(const TD3DVector& a, const TD3DVector& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline TD3DVector VectorCross(const TD3DVector& a, const TD3DVector& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline TD3DMatrix MatrixIdentity() {
  TD3DMatrix m;
  D3DXMatrixIdentity(&m);
  return m;
}
inline TD3DMatrix MatrixTranslation(float x, float y, float z) {
  TD3DMatrix m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}
inline TD3DMatrix MatrixRotationX(float a) {
  TD3DMatrix m;
  D3DXMatrixRotationX(&m, a);
  return m;
}
inline TD3DMatrix MatrixRotationY(float a) {
  TD3DMatrix m;
  D3DXMatrixRotationY(&m, a);
  return m;
}
inline TD3DMatrix MatrixRotationZ(float a) {
  TD3DMatrix m;
  D3DXMatrixRotationZ(&m, a);
  return m;
}
// The translation part (m41, m42, m43) of a matrix.
inline TD3DVector MatrixOrigin(const TD3DMatrix& m) {
  return {m._41, m._42, m._43};
}

// The scene's default material: diffuse and ambient the given colour, specular and emissive
// zero, power 40. Draws that need a highlight change Specular and Power afterwards.
inline D3DMATERIAL9 DefaultMaterial(float r, float g, float b, float a = 1.0f) {
  D3DMATERIAL9 m{};  // zero-filled: the real struct has no member defaults
  m.Diffuse = m.Ambient = {r, g, b, a};
  m.Power = 40.0f;
  return m;
}

// x rounded to the nearest whole number, halves to even (tick counts, segment bases, the data
// panel).
inline int Nearest(double x) {
  return static_cast<int>(std::nearbyint(x));
}
