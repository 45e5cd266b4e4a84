// A control's client area as a grid of pixels. Reads outside the grid give kInvalidColour and
// writes there are clipped, as on a real control; reads, writes and drawing contexts are
// counted, and pixel work on a context that is not open counts as a misuse.
#pragma once

#include <set>
#include <vector>

#include "platform/Pad.h"

namespace quendal::test {

struct PixelWrite {
  int x;
  int y;
  Colour colour;
};

class FakePad : public Pad {
 public:
  // Every pixel starts with its own colour, Background(x, y).
  FakePad(int width, int height);

  DrawingContext GetControlContext(WindowId window, int id) override;
  void ReleaseControlContext(WindowId window, int id, DrawingContext context) override;
  bool HasPendingRepaint(WindowId) const override { return repaintPending; }
  Rect GetControlClientRect(WindowId, int) const override { return {0, 0, m_width, m_height}; }
  Colour GetPixel(DrawingContext context, int x, int y) const override;
  void SetPixel(DrawingContext context, int x, int y, Colour colour) override;

  static Colour Background(int x, int y) { return 0x00200000u + static_cast<Colour>(y * 256 + x); }
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  // The colour shown at (x, y); kInvalidColour outside the grid.
  Colour At(int x, int y) const;
  // Pixels of `colour` inside the grid.
  int CountOf(Colour colour) const;

  // Script.
  bool repaintPending = false;
  bool refuseContext = false;

  // Observations.
  std::vector<int> contextControls;  // control ids of the contexts asked for
  mutable int reads = 0;
  std::vector<PixelWrite> writes;  // in order, clipped ones included
  mutable int misuses = 0;
  int OpenContexts() const { return static_cast<int>(m_open.size()); }

 private:
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }

  int m_width;
  int m_height;
  std::vector<Colour> m_pixels;
  std::set<DrawingContext> m_open;
  DrawingContext m_next = 0x700;
};

}  // namespace quendal::test
