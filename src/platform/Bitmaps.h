// Port onto the program's bitmap resources: loaded as device-dependent bitmaps for bitmap
// statics, and deleted by whoever loaded them.
#pragma once

#include "platform/DialogWindow.h"

namespace quendal {

class Bitmaps {
 public:
  virtual ~Bitmaps() = default;

  // LoadImage of bitmap resource `id` of the program, default colour and natural size; zero when
  // it cannot be loaded.
  virtual BitmapHandle Load(unsigned id) = 0;
  // DeleteObject of a loaded bitmap.
  virtual void Delete(BitmapHandle bitmap) = 0;
};

}  // namespace quendal
