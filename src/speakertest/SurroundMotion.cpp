#include "speakertest/SurroundMotion.h"

#include <cmath>

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
