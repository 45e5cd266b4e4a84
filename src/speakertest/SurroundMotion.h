// The motion of the surround test: where the circling source is after a given time, where that
// puts the dot on the pad, and which pixels make the dot.
#pragma once

#include <array>
#include <cstddef>

#include "platform/DialogWindow.h"

namespace quendal {

// The source on its circle of radius 4 around the listener: sx grows to the right, sy to the
// front.
struct SourcePosition {
  float sx = 0.0f;
  float sy = 0.0f;
  // The source has just passed the front, within the first 0.00045 of a revolution: the driver's
  // speaker test is started again.
  bool resynchronise = false;
};

// The source `elapsedMs` milliseconds after the start of the test: a quarter turn clockwise every
// 1877.5 ms, beginning at the front.
SourcePosition SourceAt(double elapsedMs);

struct PadPoint {
  int x = 0;
  int y = 0;
  bool operator==(const PadPoint&) const = default;
};

// The pixel of the pad's client area for a source position: the circle becomes the ellipse
// inscribed in the client area, touching its edges at the front, right, back and left.
PadPoint DotOnPad(float sx, float sy, const Rect& client);

// The 3 x 3 dot around a point, in the order its pixels are saved, restored and drawn.
inline constexpr std::size_t kDotPixels = 9;
std::array<PadPoint, kDotPixels> DotPixels(PadPoint centre);

// At a higher DPI the dot grows with the pad: a square block `side` pixels wide, the 3 x 3 dot
// with each of its pixels grown into a cell. Its side is 3 at 96 DPI and at most kMaxDotSide, so
// that a tick of the motion touches a few dozen pixels at most.
inline constexpr int kMaxDotSide = 6;
inline constexpr std::size_t kMaxDotPixels = kMaxDotSide * kMaxDotSide;
int DotSideForDpi(int dpi);

// The pixels of the block dot of `side` around a point: first one pixel of each cell, in the
// order of DotPixels, then the cells' other pixels, so that at side 3 they are DotPixels.
struct DotBlock {
  std::array<PadPoint, kMaxDotPixels> pixels;
  std::size_t count = 0;
};
DotBlock DotBlockPixels(PadPoint centre, int side);

}  // namespace quendal
