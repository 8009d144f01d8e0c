// D3DX's matrix and vector helpers, with its formulas and its single precision.
#include <cmath>

#include "platform/render/d3dx9.h"

D3DXMATRIX::D3DXMATRIX(float m11, float m12, float m13, float m14, float m21, float m22, float m23,
                       float m24, float m31, float m32, float m33, float m34, float m41, float m42,
                       float m43, float m44)
    : D3DMATRIX{} {
  _11 = m11, _12 = m12, _13 = m13, _14 = m14;
  _21 = m21, _22 = m22, _23 = m23, _24 = m24;
  _31 = m31, _32 = m32, _33 = m33, _34 = m34;
  _41 = m41, _42 = m42, _43 = m43, _44 = m44;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& b) const {
  D3DXMATRIX r;
  D3DXMatrixMultiply(&r, this, &b);
  return r;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& b) const {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (m[i][j] != b.m[i][j]) return false;
  return true;
}

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut) {
  *pOut = D3DXMATRIX();
  pOut->_11 = pOut->_22 = pOut->_33 = pOut->_44 = 1.0f;
  return pOut;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z) {
  D3DXMatrixIdentity(pOut);
  pOut->_41 = x;
  pOut->_42 = y;
  pOut->_43 = z;
  return pOut;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz) {
  D3DXMatrixIdentity(pOut);
  pOut->_11 = sx;
  pOut->_22 = sy;
  pOut->_33 = sz;
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float Angle) {
  const float c = std::cos(Angle), s = std::sin(Angle);
  D3DXMatrixIdentity(pOut);
  pOut->_22 = c;
  pOut->_23 = s;
  pOut->_32 = -s;
  pOut->_33 = c;
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float Angle) {
  const float c = std::cos(Angle), s = std::sin(Angle);
  D3DXMatrixIdentity(pOut);
  pOut->_11 = c;
  pOut->_13 = -s;
  pOut->_31 = s;
  pOut->_33 = c;
  return pOut;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float Angle) {
  const float c = std::cos(Angle), s = std::sin(Angle);
  D3DXMatrixIdentity(pOut);
  pOut->_11 = c;
  pOut->_12 = s;
  pOut->_21 = -s;
  pOut->_22 = c;
  return pOut;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
  D3DXMATRIX r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] = pM1->m[i][0] * pM2->m[0][j] + pM1->m[i][1] * pM2->m[1][j] +
                  pM1->m[i][2] * pM2->m[2][j] + pM1->m[i][3] * pM2->m[3][j];
  *pOut = r;
  return pOut;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM) {
  D3DXMATRIX r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) r.m[i][j] = pM->m[j][i];
  *pOut = r;
  return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float Aspect, float zn,
                                       float zf) {
  D3DXMatrixIdentity(pOut);
  const float t = std::tan(fovy / 2.0f);
  pOut->_11 = 1.0f / (Aspect * t);
  pOut->_22 = 1.0f / t;
  pOut->_33 = zf / (zf - zn);
  pOut->_34 = 1.0f;
  pOut->_43 = (zf * zn) / (zn - zf);
  pOut->_44 = 0.0f;
  return pOut;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp) {
  D3DXVECTOR3 dir(pAt->x - pEye->x, pAt->y - pEye->y, pAt->z - pEye->z);
  D3DXVECTOR3 z, x, y;
  D3DXVec3Normalize(&z, &dir);
  D3DXVec3Cross(&x, pUp, &z);
  D3DXVec3Cross(&y, &z, &x);
  D3DXVec3Normalize(&x, &x);
  D3DXVec3Normalize(&y, &y);
  D3DXMatrixIdentity(pOut);
  pOut->_11 = x.x, pOut->_21 = x.y, pOut->_31 = x.z;
  pOut->_12 = y.x, pOut->_22 = y.y, pOut->_32 = y.z;
  pOut->_13 = z.x, pOut->_23 = z.y, pOut->_33 = z.z;
  pOut->_41 = -D3DXVec3Dot(&x, pEye);
  pOut->_42 = -D3DXVec3Dot(&y, pEye);
  pOut->_43 = -D3DXVec3Dot(&z, pEye);
  return pOut;
}

D3DXMATRIX* D3DXMatrixTransformation2D(D3DXMATRIX* pOut, const D3DXVECTOR2* pScalingCenter,
                                       float ScalingRotation, const D3DXVECTOR2* pScaling,
                                       const D3DXVECTOR2* pRotationCenter, float Rotation,
                                       const D3DXVECTOR2* pTranslation) {
  const D3DXVECTOR2 sc = pScalingCenter ? *pScalingCenter : D3DXVECTOR2{};
  const D3DXVECTOR2 s = pScaling ? *pScaling : D3DXVECTOR2{1.0f, 1.0f};
  const D3DXVECTOR2 rc = pRotationCenter ? *pRotationCenter : D3DXVECTOR2{};
  const D3DXVECTOR2 t = pTranslation ? *pTranslation : D3DXVECTOR2{};
  D3DXMATRIX a, b, r;
  D3DXMatrixTranslation(&r, -sc.x, -sc.y, 0.0f);
  r = r * *D3DXMatrixRotationZ(&a, -ScalingRotation);
  r = r * *D3DXMatrixScaling(&a, s.x, s.y, 1.0f);
  r = r * *D3DXMatrixRotationZ(&a, ScalingRotation);
  r = r * *D3DXMatrixTranslation(&a, sc.x - rc.x, sc.y - rc.y, 0.0f);
  r = r * *D3DXMatrixRotationZ(&a, Rotation);
  r = r * *D3DXMatrixTranslation(&b, rc.x + t.x, rc.y + t.y, 0.0f);
  *pOut = r;
  return pOut;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
  const float len = std::sqrt(pV->x * pV->x + pV->y * pV->y + pV->z * pV->z);
  if (len == 0.0f) {
    *pOut = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  } else {
    *pOut = D3DXVECTOR3(pV->x / len, pV->y / len, pV->z / len);
  }
  return pOut;
}

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
  *pOut = D3DXVECTOR3(pV1->y * pV2->z - pV1->z * pV2->y, pV1->z * pV2->x - pV1->x * pV2->z,
                      pV1->x * pV2->y - pV1->y * pV2->x);
  return pOut;
}

float D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
  return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z;
}
