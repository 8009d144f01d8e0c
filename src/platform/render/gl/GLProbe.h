// What the machine's OpenGL driver offers, learnt once from a small off-screen context: the
// strings that name it, limits, and which back-buffer and depth formats it can render to.
#pragma once

#include <string>
#include <vector>

#include "platform/render/d3d9types.h"

struct GLProbe {
  bool ok = false;  // a 3.3 core context could be made
  std::string vendor, renderer, version;
  bool software = false;  // llvmpipe, softpipe or swrast: the device then calls itself REF
  int maxTextureSize = 0;
  int maxSamples = 0;
  std::vector<int> sampleCounts;        // sample counts a colour buffer gets exactly, ascending
  std::vector<D3DFORMAT> colorFormats;  // renderable back-buffer formats
  std::vector<D3DFORMAT> depthFormats;  // renderable depth/stencil formats
};

// Probes on first use (needs a QGuiApplication); later calls return the same answer.
const GLProbe& ProbeGL();
