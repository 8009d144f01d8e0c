#include "shell/saver/SaverInput.h"

#include <cstdint>
#include <cstdlib>

namespace zelmar {

bool EndsScrnSaver(const MSG& Msg, const POINT& StartCursorPos) {
  switch (Msg.message) {
    case WM_MOUSEMOVE: {
      const std::int64_t Dx = std::int64_t{GET_X_LPARAM(Msg.lParam)} - StartCursorPos.x;
      const std::int64_t Dy = std::int64_t{GET_Y_LPARAM(Msg.lParam)} - StartCursorPos.y;
      return std::llabs(Dx) > kMouseTolerance || std::llabs(Dy) > kMouseTolerance;
    }
    case WM_KEYDOWN:
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
    case WM_NCACTIVATE:
      return true;
    default:
      return false;
  }
}

}  // namespace zelmar
