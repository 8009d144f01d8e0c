// The benchmark's yardstick: what the pixels alone cost. One full-screen textured quad and one
// lit, textured sphere of a given triangle count, drawn straight through the render platform's
// device (no framework, pool or scene above it) into a window of the scene's size.
#pragma once

#include <string>

namespace zelmar {

struct TRunFigures {
  int Frames = 0;
  double Seconds = 0.0;
  double FramesPerSecond = 0.0;
  double CpuMsPerFrame = 0.0;
  double PeakMB = 0.0;
  bool Ok = false;
  std::string Problem;
};

// Draws for Seconds and measures; Texture is an image file for both shapes.
TRunFigures RunBareFrame(int Width, int Height, int Triangles, double Seconds,
                         const std::string& Texture);

}  // namespace zelmar
