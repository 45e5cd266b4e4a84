// Port onto drawing single pixels on a control of a dialog window (the surround motion pad):
// a drawing context on the control, its client rectangle, pixel reads and writes, and whether
// the window waits for a repaint.
#pragma once

#include <cstdint>

#include "platform/DialogWindow.h"

namespace quendal {

// Opaque drawing context (an HDC's bits); zero means none.
using DrawingContext = std::uintptr_t;

// A COLORREF: 0x00BBGGRR.
using Colour = std::uint32_t;
// What a pixel read gives outside the visible part of the control (CLR_INVALID).
inline constexpr Colour kInvalidColour = 0xFFFFFFFF;

class Pad {
 public:
  virtual ~Pad() = default;

  // GetDC of control `id` of `window`; zero when none is available.
  virtual DrawingContext GetControlContext(WindowId window, int id) = 0;
  // ReleaseDC of a context from GetControlContext.
  virtual void ReleaseControlContext(WindowId window, int id, DrawingContext context) = 0;
  // GetUpdateRect of the window: true while part of it waits to be repainted.
  virtual bool HasPendingRepaint(WindowId window) const = 0;
  // GetClientRect of control `id` of `window`.
  virtual Rect GetControlClientRect(WindowId window, int id) const = 0;

  virtual Colour GetPixel(DrawingContext context, int x, int y) const = 0;
  virtual void SetPixel(DrawingContext context, int x, int y, Colour colour) = 0;
};

}  // namespace quendal
