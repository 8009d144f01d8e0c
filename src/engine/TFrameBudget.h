// What a frame may cost, chosen once at start from the kind of renderer. A software rasterizer
// (Mesa's llvmpipe or softpipe, which the platform reports as a reference device; the
// reference or a software device on Windows) never reaches the display's refresh rate, so
// without a budget it would hold every core for as long as the saver runs. It gets a frame
// cap and a smaller scene, scaled up to the window; a hardware renderer gets neither.
#pragma once

#include <string>

#include "platform/render/d3d9.h"

class TFrameBudget {
 public:
  // The frame cap and the largest scene a software renderer draws.
  static constexpr int kSoftwareMaxFps = 30;
  static constexpr UINT kSoftwareSceneWidth = 1280;
  static constexpr UINT kSoftwareSceneHeight = 720;
  // The range of an explicit scale.
  static constexpr float kMinScale = 0.25f;
  static constexpr float kMaxScale = 1.0f;

  // The budget of a device type: REF and SW are software rasterizers.
  static TFrameBudget ForDevice(D3DDEVTYPE Type);
  static bool IsSoftware(D3DDEVTYPE Type);

  // The scene drawn at Value times the window's size, whatever the renderer.
  void OverrideScale(float Value);
  // The scene's size for a back buffer of Width x Height: the window's aspect kept, at least
  // 1 x 1, never larger than the back buffer.
  void SceneSize(UINT Width, UINT Height, UINT& SceneWidth, UINT& SceneHeight) const;
  // True when a back buffer of that size gets a smaller scene.
  bool Reduces(UINT Width, UINT Height) const;
  // One line for people: the renderer and what the budget does.
  std::string Describe() const;

  bool Software = false;
  // Frames a second at most; 0: the display's refresh rate.
  int MaxFps = 0;
  // The scene's share of the window's size, and the largest scene (0: no limit).
  float Scale = 1.0f;
  UINT MaxSceneWidth = 0;
  UINT MaxSceneHeight = 0;
};
