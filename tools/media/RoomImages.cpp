#include "media/RoomImages.h"

#include <cmath>

#include "media/Noise.h"

namespace zelmar::media {

namespace {

// Wood with its grain running along `along`; `across` picks the growth rings. Coordinates in
// room units; `seed` varies the board.
Color Wood(float along, float across, std::uint32_t seed, const Ramp& ramp) {
  const float warp = 3.0f * Fbm(Vec3{across * 0.02f, along * 0.002f, 0.3f}, 4, seed);
  const float rings = std::sin((across * 0.35f + warp) * 2.0f);
  const float fibre = Noise(Vec3{across * 1.2f, along * 0.02f, 0.7f}, seed + 1);
  const float tone = Fbm(Vec3{across * 0.01f, along * 0.004f, 0.9f}, 3, seed + 2);
  return ramp(Clamp01(0.5f + 0.2f * rings + 0.12f * fibre + 0.25f * tone));
}

const Ramp kMahogany{{0.0f, Rgb(58, 28, 14)},
                     {0.4f, Rgb(96, 50, 26)},
                     {0.75f, Rgb(128, 72, 38)},
                     {1.0f, Rgb(150, 92, 52)}};

// A chart of the solar system in gold on deep blue: the Sun, orbits and their planets.
// (u, v) run from -1 to 1 across the picture.
Color Chart(float u, float v, std::uint32_t seed) {
  Color col = Mix(Rgb(18, 28, 64), Rgb(30, 44, 92), Clamp01(0.5f - 0.4f * (u * u + v * v)));
  const float star =
      HashUnit(static_cast<int>((u + 1) * 90), static_cast<int>((v + 1) * 90), 0, seed);
  if (star > 0.985f) col = Mix(col, Rgb(220, 220, 200), (star - 0.985f) / 0.015f);
  const Color gold = Rgb(214, 176, 92);
  const float r = std::sqrt(u * u + (v * 1.6f) * (v * 1.6f));  // orbits seen at a slant
  for (int i = 1; i <= 6; ++i) {
    const float orbit = 0.13f * i + 0.01f * i * i;
    const float d = std::abs(r - orbit);
    col = Mix(col, gold, Smoothstep(0.012f, 0.004f, d) * 0.8f);
    const float a = 1.3f * i + 0.7f;
    const float pu = orbit * std::cos(a), pv = orbit * std::sin(a) / 1.6f;
    const float pd = std::hypot(u - pu, v - pv);
    col = Mix(col, gold, Smoothstep(0.035f + 0.004f * i, 0.02f + 0.004f * i, pd));
  }
  const float sun = std::hypot(u, v);
  col = Mix(col, Rgb(240, 200, 100), Smoothstep(0.09f, 0.07f, sun));
  return col;
}

// The wall runs 5600 units along and 1120 up, but only 1048 lie below the ceiling. Row 0 of
// the picture is the floor edge, because the wall planes put texture v = 0 at their bottom.
Canvas Wall(int index, int w, int h) {
  Canvas c(w, h);
  const std::uint32_t seed = 1700 + 10 * static_cast<std::uint32_t>(index);
  const float bay = 560.0f, stile = 44.0f, bevel = 26.0f;
  c.Fill([&](int x, int y) {
    const float wx = (x + 0.5f) / w * 5600.0f;
    const float wy = (y + 0.5f) / h * 1120.0f;
    const float bx = std::fmod(wx, bay);
    const int bayIndex = static_cast<int>(wx / bay);
    float light = 1.0f;
    Color col;
    if (wy < 64) {  // skirting board, with a moulded top edge
      col = Scale(Wood(wx, wy, seed, kMahogany), 0.72f);
      if (wy > 52) light = 1.25f;
      if (wy > 58) light = 0.8f;
    } else if (wy >= 350 && wy < 384) {  // chair rail
      col = Wood(wx, wy, seed + 3, kMahogany);
      const float t = (wy - 350) / 34.0f;
      light = 0.75f + 0.6f * std::sin(t * 3.14159f);
    } else if (wy >= 990) {  // cornice up to the ceiling
      col = Wood(wx, wy, seed + 4, kMahogany);
      const float t = std::fmod(wy - 990, 20.0f) / 20.0f;
      light = 0.8f + 0.45f * std::sin(t * 3.14159f);
    } else {
      // Frame and panel: stiles at each bay's edge, rails above and below each panel.
      const bool lower = wy < 350;
      const float py0 = lower ? 64 + stile : 384 + stile;
      const float py1 = lower ? 350 - stile * 0.6f : 990 - stile;
      const bool inPanel = bx > stile && wy > py0 && wy < py1;
      if (!inPanel) {
        const bool vertical = bx <= stile;
        col = vertical ? Wood(wy, wx, seed + 5 + bayIndex, kMahogany)
                       : Wood(wx, wy, seed + 6 + bayIndex, kMahogany);
      } else {
        // A raised panel: its bevels catch the light from above and the left.
        const float dl = bx - stile, dr = bay - bx, db = wy - py0, dt = py1 - wy;
        const float d = std::min(std::min(dl, dr), std::min(db, dt));
        col = Wood(wy, wx, seed + 7 + 3 * bayIndex + (lower ? 1 : 0), kMahogany);
        col = Scale(col, 1.08f);
        if (d < 3.0f) {
          light = 0.45f;  // shadow line where the panel meets the frame
        } else if (d < bevel) {
          if (d == dt)
            light = 1.3f;
          else if (d == db)
            light = 0.72f;
          else if (d == dl)
            light = 1.12f;
          else
            light = 0.85f;
        }
      }
    }
    col = Scale(col, light);
    // Walls 2 and 4 hang two framed charts of the planets' orbits in their upper panels.
    if (index % 2 == 0 && (bayIndex == 2 || bayIndex == 7)) {
      const float px = bx - 44 - 258, py = wy - 687;  // from the panel's middle
      const float fx = std::abs(px), fy = std::abs(py);
      if (fx < 200 && fy < 190) {
        if (fx > 178 || fy > 168) {  // gilt frame, bevelled toward the light
          const float t = std::max((fx - 178) / 22.0f, (fy - 168) / 22.0f);
          col = Scale(Rgb(184, 142, 62), 0.75f + 0.5f * std::sin(t * 3.14159f));
        } else {
          col = Chart(px / 170.0f, py / 160.0f, seed);
        }
      }
    }
    return col;
  });
  return c;
}

// Parquet in a basket weave: 2 x 2 blocks of three planks, alternating direction, so the tile
// repeats without a seam (every plank lies wholly inside the tile).
Canvas Floor(int w, int h) {
  Canvas c(w, h);
  const Ramp oak{{0.0f, Rgb(112, 70, 36)},
                 {0.45f, Rgb(156, 104, 58)},
                 {0.8f, Rgb(186, 134, 80)},
                 {1.0f, Rgb(204, 156, 100)}};
  c.Fill([&](int x, int y) {
    const float u = (x + 0.5f) / w, v = (y + 0.5f) / h;
    const int bx = u < 0.5f ? 0 : 1, by = v < 0.5f ? 0 : 1;
    const float lu = (u - bx * 0.5f) * 2.0f, lv = (v - by * 0.5f) * 2.0f;
    const bool horizontal = (bx + by) % 2 == 0;
    const float along = horizontal ? lu : lv;
    const float across = horizontal ? lv : lu;
    const int plank = std::min(2, static_cast<int>(across * 3.0f));
    const float inPlank = across * 3.0f - plank;
    const std::uint32_t id = Hash(bx, by, plank, 1800);
    const float tone = 0.85f + 0.3f * static_cast<float>(id & 255) / 255.0f;
    // Grain along the plank, in units of about a room unit.
    Color col = Wood(along * 200.0f + (id & 1023), inPlank * 60.0f + (id >> 10 & 1023), id, oak);
    col = Scale(col, tone);
    const float gapAcross = std::min(inPlank, 1.0f - inPlank) / 3.0f;  // in block units
    const float gapAlong = std::min(along, 1.0f - along);
    const float gap = std::min(gapAcross, gapAlong);
    // The joints are one dark colour, so a plank's end at the tile's edge meets the next.
    col = Mix(Rgb(52, 32, 16), col, Smoothstep(0.0f, 0.012f, gap));
    return col;
  });
  return c;
}

// Plaster with a moulded border and a rose in the middle, above the Sun.
Canvas Ceiling(int w, int h) {
  Canvas c(w, h);
  auto height = [](float u, float v) {
    const float du = std::abs(u - 0.5f), dv = std::abs(v - 0.5f);
    const float box = std::max(du, dv);  // 0.5 at the edges
    float z = 0;
    // Two square mouldings near the walls.
    z += 0.6f * std::exp(-std::pow((box - 0.465f) / 0.008f, 2.0f));
    z += 0.4f * std::exp(-std::pow((box - 0.44f) / 0.005f, 2.0f));
    z += 0.3f * std::exp(-std::pow((box - 0.3f) / 0.004f, 2.0f));
    // The rose: rings and petals.
    const float r = std::sqrt(du * du + dv * dv);
    const float a = std::atan2(v - 0.5f, u - 0.5f);
    z += 0.5f * std::exp(-std::pow((r - 0.1f) / 0.006f, 2.0f));
    z += 0.35f * std::exp(-std::pow((r - 0.085f) / 0.003f, 2.0f));
    const float petals = 0.5f + 0.5f * std::cos(a * 12.0f);
    z += 0.8f * petals * Smoothstep(0.07f, 0.02f, r) * Smoothstep(0.0f, 0.015f, r);
    z += 0.6f * Smoothstep(0.018f, 0.008f, r);
    return z;
  };
  c.Fill([&](int x, int y) {
    const float u = (x + 0.5f) / w, v = (y + 0.5f) / h;
    const float e = 1.0f / w;
    const float hx = (height(u + e, v) - height(u - e, v)) / (2 * e);
    const float hy = (height(u, v + e) - height(u, v - e)) / (2 * e);
    const float relief = std::clamp(1.0f + 0.004f * (hx + hy), 0.6f, 1.3f);
    const float mottle = Fbm(Vec3{u * 6, v * 6, 0.5f}, 5, 1901);
    const float grain = Noise(Vec3{u * 400, v * 400, 0.5f}, 1902);
    Color col = Scale(Rgb(234, 226, 206), 0.95f + 0.05f * mottle + 0.025f * grain);
    return Scale(col, relief);
  });
  return c;
}

// Brushed brass. It wraps round the rods, so it tiles in both directions.
Canvas Brass(int w, int h) {
  Canvas c(w, h);
  c.Fill([&](int x, int y) {
    const float u = (x + 0.5f) / w, v = (y + 0.5f) / h;
    const float brush =
        TileNoise(u * 96, v * 2, 96, 2, 2001) + 0.5f * TileNoise(u * 256, v * 4, 256, 4, 2002);
    const float cloud = TileFbm(u, v, 3, 4, 2003);
    Color col = Mix(Rgb(166, 124, 52), Rgb(214, 176, 96), Clamp01(0.55f + 0.25f * brush));
    return Scale(col, 0.95f + 0.08f * cloud);
  });
  return c;
}

}  // namespace

std::optional<Canvas> PaintRoomImage(const std::string& file, int width, int height) {
  for (int i = 1; i <= 4; ++i)
    if (file == "wall" + std::to_string(i) + ".jpg") return Wall(i, width, height);
  if (file == "floor.jpg") return Floor(width, height);
  if (file == "ceiling.jpg") return Ceiling(width, height);
  if (file == "rod.jpg" || file == "Rod.jpg") return Brass(width, height);
  return std::nullopt;
}

}  // namespace zelmar::media
