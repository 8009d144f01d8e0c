// The preview's geometry and the icon's glide, the same on every platform.
#include "shell/Preview.h"

namespace zelmar {

TPreviewGeometry PreviewGeometry(int windowWidth, int windowHeight) {
  const int width = windowWidth + 1;
  const int height = windowHeight + 1;
  return {width, height, height / 2 - kPreviewIconSize / 2};
}

int NextIconColumn(int x, int previewWidth) {
  if (x > previewWidth + 16) x = -33;
  return x + 1;
}

}  // namespace zelmar
