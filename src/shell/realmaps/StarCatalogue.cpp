#include "shell/realmaps/StarCatalogue.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <string_view>

namespace zelmar::real_maps {

namespace {

constexpr double kDegrees = 180.0 / std::numbers::pi;

// The fields of a line before its comment, split at blanks and commas.
std::vector<std::string_view> Fields(std::string_view line) {
  if (const auto hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
  std::vector<std::string_view> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() &&
           (line[i] == ' ' || line[i] == '\t' || line[i] == ',' || line[i] == '\r'))
      ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != ',' &&
           line[i] != '\r')
      ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

// The field as a number, whatever the locale says of decimal points; nothing when it is not one.
std::optional<double> Number(std::string_view field) {
  if (!field.empty() && field.front() == '+') field.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (error != std::errc() || end != field.data() + field.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

// Declination in degrees and right ascension in hours, as both files give them.
std::optional<TEquatorial> Place(std::string_view dec, std::string_view ra) {
  const auto d = Number(dec), h = Number(ra);
  if (!d || !h || *d < -90 || *d > 90 || *h < 0 || *h > 24) return std::nullopt;
  return TEquatorial{*h * 15.0, *d};
}

template <typename F>
void ForEachLine(std::string_view text, F f) {
  while (!text.empty()) {
    const auto end = text.find('\n');
    f(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

}  // namespace

std::vector<TStar> ParseBrightStarCatalogue(std::string_view text) {
  std::vector<TStar> stars;
  ForEachLine(text, [&](std::string_view line) {
    const auto f = Fields(line);
    if (f.size() < 3) return;
    const auto place = Place(f[0], f[1]);
    const auto mag = Number(f[2]);
    // Nothing in the sky is brighter than Sirius but the planets, which no catalogue lists.
    if (!place || !mag || *mag < -2 || *mag > 20) return;
    stars.push_back({*place, *mag, std::numeric_limits<double>::quiet_NaN()});
  });
  return stars;
}

std::vector<TFigureLine> ParseFigureLines(std::string_view text) {
  std::vector<TFigureLine> lines;
  ForEachLine(text, [&](std::string_view line) {
    const auto f = Fields(line);
    if (f.size() < 4) return;
    const auto from = Place(f[0], f[1]), to = Place(f[2], f[3]);
    if (from && to) lines.push_back({*from, *to});
  });
  return lines;
}

TEcliptic ToEcliptic(const TEquatorial& place) {
  const double a = place.Ra / kDegrees, d = place.Dec / kDegrees, e = kObliquity / kDegrees;
  const double x = std::cos(d) * std::cos(a), y = std::cos(d) * std::sin(a), z = std::sin(d);
  const double y2 = y * std::cos(e) + z * std::sin(e);
  const double z2 = -y * std::sin(e) + z * std::cos(e);
  double lon = std::atan2(y2, x) * kDegrees;
  if (lon < 0) lon += 360;
  return {lon >= 360 ? lon - 360 : lon, std::asin(std::clamp(z2, -1.0, 1.0)) * kDegrees};
}

TStarLook StarLook(double magnitude) {
  // 0 for the faintest the eye sees on a dark night (6.5) and fainter, 1 for Sirius (-1.5).
  const double level = std::clamp((6.5 - magnitude) / 8.0, 0.0, 1.0);
  // Stars of the first and second magnitude burn white at the centre; the eye tells the
  // brightest ones by their size.
  const double peak = 0.2 + 0.8 * std::min(1.0, level / 0.55);
  const double spread = 0.04 + 0.1 * level * level;
  return {static_cast<float>(peak), static_cast<float>(spread)};
}

TStarColour StarColour(double colourIndex) {
  if (std::isnan(colourIndex)) return {};
  // Blackbody colours of main-sequence stars by their index, from blue O stars to red M ones.
  struct TStop {
    double Index;
    float R, G, B;
  };
  static constexpr std::array<TStop, 8> kStops{{{-0.4, 0.61f, 0.70f, 1.00f},
                                                {-0.2, 0.67f, 0.75f, 1.00f},
                                                {0.0, 0.79f, 0.84f, 1.00f},
                                                {0.3, 0.97f, 0.97f, 1.00f},
                                                {0.6, 1.00f, 0.96f, 0.92f},
                                                {1.0, 1.00f, 0.85f, 0.71f},
                                                {1.5, 1.00f, 0.76f, 0.48f},
                                                {2.0, 1.00f, 0.65f, 0.35f}}};
  const double c = std::clamp(colourIndex, kStops.front().Index, kStops.back().Index);
  std::size_t i = 1;
  while (i + 1 < kStops.size() && c > kStops[i].Index) ++i;
  const TStop& a = kStops[i - 1];
  const TStop& b = kStops[i];
  const float t = static_cast<float>((c - a.Index) / (b.Index - a.Index));
  return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

}  // namespace zelmar::real_maps
