#include "speakertest/SurroundMotion.h"

#include <algorithm>
#include <cmath>

#include "ui/DpiScale.h"

namespace quendal {

namespace {

constexpr double kMsPerQuarterTurn = 1877.5;
constexpr float kSourceRadius = 4.0f;
// About 3.38 ms of each 7.51 s revolution.
constexpr double kResynchroniseWindow = 0.00045;

}  // namespace

SourcePosition SourceAt(double elapsedMs) {
  const double quarterTurn = std::asin(1.0);
  const double theta = elapsedMs / (kMsPerQuarterTurn / quarterTurn);
  const float thetaSingle = static_cast<float>(theta);
  SourcePosition position;
  position.sx = static_cast<float>(std::sin(theta) * kSourceRadius);
  position.sy = static_cast<float>(std::cos(theta) * kSourceRadius);
  const double revolutions = thetaSingle / quarterTurn * 0.25;
  position.resynchronise = revolutions - std::trunc(revolutions) < kResynchroniseWindow;
  return position;
}

// Each step is rounded to single precision, so that a source a hair left of the front still maps
// to the centre column on every target.
PadPoint DotOnPad(float sx, float sy, const Rect& client) {
  const float width = static_cast<float>(client.left + client.right);
  const float height = static_cast<float>(client.top + client.bottom);
  const float right = sx * 0.25f + 1.0f;
  const float down = 1.0f - sy * 0.25f;
  const float x = width * right * 0.5f;
  const float y = down * height * 0.5f;
  return {static_cast<int>(x), static_cast<int>(y)};
}

int DotSideForDpi(int dpi) { return std::clamp(ScaleForDpi(3, dpi), 3, kMaxDotSide); }

namespace {

// Where band `band` (0 to 3) of a block of `side` pixels starts, the block split in three bands
// as evenly as whole pixels allow.
int BandStart(int band, int side) { return (band * side * 2 + 3) / 6; }

}  // namespace

DotBlock DotBlockPixels(PadPoint centre, int side) {
  const PadPoint corner{centre.x - side / 2, centre.y - side / 2};
  DotBlock block;
  const std::array<PadPoint, kDotPixels> cells = DotPixels({1, 1});
  for (const PadPoint& cell : cells) {
    block.pixels[block.count++] = {corner.x + BandStart(cell.x, side),
                                   corner.y + BandStart(cell.y, side)};
  }
  for (const PadPoint& cell : cells) {
    for (int y = BandStart(cell.y, side); y < BandStart(cell.y + 1, side); ++y) {
      for (int x = BandStart(cell.x, side); x < BandStart(cell.x + 1, side); ++x) {
        if (x == BandStart(cell.x, side) && y == BandStart(cell.y, side)) continue;
        block.pixels[block.count++] = {corner.x + x, corner.y + y};
      }
    }
  }
  return block;
}

std::array<PadPoint, kDotPixels> DotPixels(PadPoint c) {
  return {{{c.x - 1, c.y},
           {c.x, c.y - 1},
           {c.x, c.y},
           {c.x, c.y + 1},
           {c.x + 1, c.y},
           {c.x + 1, c.y - 1},
           {c.x + 1, c.y + 1},
           {c.x - 1, c.y + 1},
           {c.x - 1, c.y - 1}}};
}

}  // namespace quendal
