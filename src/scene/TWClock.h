// The clock of the overlay: the local time in the data panel's font with the date small below
// it, drifting slowly about the screen so that no pixel of a monitor stays lit in one place for
// long. It keeps below the data panel's lines and above the bottom line of credits and frame
// rate, so it never covers either.
#pragma once

#include <ctime>
#include <string>

#include "platform/render/d3d9types.h"

class TWFonts;

namespace zelmar {

class TWClock {
 public:
  // The room the clock takes, in pixels: the time's line and the date's below it.
  static constexpr int kWidth = 220;
  static constexpr int kHeight = 44;
  // The data panel's lines reach this far down; the bottom line of texts starts this far up.
  static constexpr int kPanelBottom = 7 * 20 + 8;
  static constexpr int kBottomLine = 24;

  struct TTexts {
    std::string Time;  // "14:05"
    std::string Date;  // "Tuesday 8 December 2026"
  };
  static TTexts Texts(const std::tm& LocalTime);

  // The top-left corner of the clock at that application time in a client area of that size;
  // false when the area is too small to hold it clear of the other texts (a small preview).
  // One slow figure of eight over the free band, taking several minutes.
  static bool Place(const RECT& Screen, float AppTime, POINT& TopLeft);

  // Draws the time in font 0 (the data panel's) and the date in font 3, in Color.
  static void Draw(TWFonts& Fonts, const RECT& Screen, float AppTime, const std::tm& LocalTime,
                   D3DCOLOR Color);
};

}  // namespace zelmar
