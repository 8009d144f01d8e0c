#include "engine/TFrameBudget.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

bool TFrameBudget::IsSoftware(D3DDEVTYPE Type) {
  return Type == D3DDEVTYPE_REF || Type == D3DDEVTYPE_SW;
}

TFrameBudget TFrameBudget::ForDevice(D3DDEVTYPE Type) {
  TFrameBudget Budget;
  if (!IsSoftware(Type)) return Budget;
  Budget.Software = true;
  Budget.MaxFps = kSoftwareMaxFps;
  Budget.MaxSceneWidth = kSoftwareSceneWidth;
  Budget.MaxSceneHeight = kSoftwareSceneHeight;
  return Budget;
}

void TFrameBudget::OverrideScale(float Value) {
  Scale = std::clamp(Value, kMinScale, kMaxScale);
  MaxSceneWidth = MaxSceneHeight = 0;
}

void TFrameBudget::SceneSize(UINT Width, UINT Height, UINT& SceneWidth, UINT& SceneHeight) const {
  double S = Scale;
  if (MaxSceneWidth > 0 && Width > 0) S = std::min(S, static_cast<double>(MaxSceneWidth) / Width);
  if (MaxSceneHeight > 0 && Height > 0)
    S = std::min(S, static_cast<double>(MaxSceneHeight) / Height);
  S = std::min(S, 1.0);
  auto Scaled = [S](UINT Size) {
    return std::clamp<UINT>(static_cast<UINT>(std::lround(Size * S)), 1, std::max<UINT>(Size, 1));
  };
  SceneWidth = Scaled(Width);
  SceneHeight = Scaled(Height);
}

bool TFrameBudget::Reduces(UINT Width, UINT Height) const {
  UINT W = 0, H = 0;
  SceneSize(Width, Height, W, H);
  return W < Width || H < Height;
}

std::string TFrameBudget::Describe() const {
  std::string Text = Software ? "software renderer: " : "hardware renderer: ";
  Text += MaxFps > 0 ? "at most " + std::to_string(MaxFps) + " frames a second"
                     : std::string("frames at the display's refresh rate");
  char Size[96];
  if (MaxSceneWidth > 0 && MaxSceneHeight > 0)
    std::snprintf(Size, sizeof Size, ", the scene drawn at most %ux%u", MaxSceneWidth,
                  MaxSceneHeight);
  else if (Scale < 1.0f)
    std::snprintf(Size, sizeof Size, ", the scene drawn at %.2f of the window's size", Scale);
  else
    std::snprintf(Size, sizeof Size, ", the scene drawn at the window's size");
  Text += Size;
  if (MaxSceneWidth > 0 || Scale < 1.0f) Text += " and scaled up (the text at full size)";
  return Text;
}
