// Pixels on a dialog's control through GetDC, GetPixel, SetPixel and ReleaseDC.
#pragma once

#include "platform/Pad.h"

namespace quendal {

class Win32Pad : public Pad {
 public:
  DrawingContext GetControlContext(WindowId window, int id) override;
  void ReleaseControlContext(WindowId window, int id, DrawingContext context) override;
  bool HasPendingRepaint(WindowId window) const override;
  Rect GetControlClientRect(WindowId window, int id) const override;
  Colour GetPixel(DrawingContext context, int x, int y) const override;
  void SetPixel(DrawingContext context, int x, int y, Colour colour) override;
};

}  // namespace quendal
