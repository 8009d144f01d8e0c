// A shown OpenGL window under the test display with a GL device on it, opened into a
// TW9DirectX the way the framework would, for the tests that read real pixels back; and the
// colour helpers those tests compare pixels with.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QWindow>
#include <cstdlib>
#include <memory>

#include "engine/TW9DirectX.h"

// Creates the QGuiApplication under Name unless one is already running.
void EnsureGuiApplication(const char* Name);

class GLDeviceWindow {
 public:
  // The GL backend, a shown Width x Height window and a device on it (HAL where the adapter
  // has it, else REF) with an A8R8G8B8 back buffer and a D24S8 depth buffer. DX ends up
  // started, with the present parameters and caps it was created with.
  ::testing::AssertionResult Open(TW9DirectX& DX, const char* AppName, int Width, int Height);
  // Drops the device and the window; the owners of DX's resources let go of them first.
  void Close(TW9DirectX& DX);

  std::unique_ptr<QWindow> Window;
};

// Ends the scene and reads the back buffer; kept as Name.png when ZELMAR_PIXEL_DIR is set.
QImage EndFrameAndGrab(TW9DirectX& DX, const char* Name);

inline int Channel(D3DCOLOR c, int shift) {
  return static_cast<int>((c >> shift) & 0xFF);
}
inline int Brightness(D3DCOLOR c) {
  return Channel(c, 16) + Channel(c, 8) + Channel(c, 0);
}

// Each of red, green and blue within Tolerance of the expected colour's.
inline ::testing::AssertionResult ColorNear(D3DCOLOR Actual, D3DCOLOR Expected, int Tolerance = 8) {
  for (int Shift : {16, 8, 0})
    if (std::abs(Channel(Actual, Shift) - Channel(Expected, Shift)) > Tolerance)
      return ::testing::AssertionFailure()
             << std::hex << "got 0x" << Actual << ", expected 0x" << Expected;
  return ::testing::AssertionSuccess();
}
inline ::testing::AssertionResult ColorNear(D3DCOLOR Actual, int R, int G, int B,
                                            int Tolerance = 6) {
  if (std::abs(Channel(Actual, 16) - R) > Tolerance ||
      std::abs(Channel(Actual, 8) - G) > Tolerance || std::abs(Channel(Actual, 0) - B) > Tolerance)
    return ::testing::AssertionFailure() << std::hex << "got 0x" << Actual << std::dec
                                         << ", expected (" << R << ", " << G << ", " << B << ")";
  return ::testing::AssertionSuccess();
}
