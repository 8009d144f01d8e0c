#include "scene/TWClock.h"

#include <cmath>

#include "engine/TWFonts.h"

namespace zelmar {

namespace {

// The figure of eight's periods across and down, in seconds: a few pixels a second on any
// screen, and the two never in step, so the path covers the band before it repeats.
constexpr double kAcrossPeriod = 613.0;
constexpr double kDownPeriod = 397.0;
constexpr double kTwoPi = 6.283185307179586;

const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                             "Thursday", "Friday", "Saturday"};
const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};

std::string TwoDigits(int N) {
  return std::string(1, static_cast<char>('0' + N / 10 % 10)) + static_cast<char>('0' + N % 10);
}

}  // namespace

TWClock::TTexts TWClock::Texts(const std::tm& T) {
  TTexts Result;
  Result.Time = TwoDigits(T.tm_hour) + ":" + TwoDigits(T.tm_min);
  const int Day = T.tm_wday >= 0 && T.tm_wday < 7 ? T.tm_wday : 0;
  const int Month = T.tm_mon >= 0 && T.tm_mon < 12 ? T.tm_mon : 0;
  Result.Date = std::string(kDays[Day]) + " " + std::to_string(T.tm_mday) + " " + kMonths[Month] +
                " " + std::to_string(T.tm_year + 1900);
  return Result;
}

bool TWClock::Place(const RECT& Screen, float AppTime, POINT& TopLeft) {
  const LONG Left = Screen.left + 2, Right = Screen.right - kWidth;
  const LONG Top = Screen.top + kPanelBottom, Bottom = Screen.bottom - kBottomLine - kHeight;
  if (Right < Left || Bottom < Top) return false;
  const double T = AppTime;
  const double Across = 0.5 + 0.5 * std::sin(kTwoPi * T / kAcrossPeriod);
  const double Down = 0.5 + 0.5 * std::sin(kTwoPi * T / kDownPeriod + 1.0);
  TopLeft.x = Left + static_cast<LONG>(std::lround(Across * (Right - Left)));
  TopLeft.y = Top + static_cast<LONG>(std::lround(Down * (Bottom - Top)));
  return true;
}

void TWClock::Draw(TWFonts& Fonts, const RECT& Screen, float AppTime, const std::tm& LocalTime,
                   D3DCOLOR Color) {
  POINT At{};
  if (Fonts.Count() < 4 || !Place(Screen, AppTime, At)) return;
  const TTexts T = Texts(LocalTime);
  Fonts.Items(0)->DrawText(static_cast<float>(At.x), static_cast<float>(At.y), Color, T.Time, 0);
  Fonts.Items(3)->DrawText(static_cast<float>(At.x), static_cast<float>(At.y + 28), Color, T.Date,
                           0);
}

}  // namespace zelmar
