// Port onto the program's picture resources: bitmaps loaded as device-dependent bitmaps for
// bitmap statics, icons at the size of their image for icon statics; each deleted by whoever
// loaded it.
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
  // LoadImage of icon resource `id` of the program at the size of its image, not shared; zero
  // when it cannot be loaded.
  virtual IconHandle LoadIconImage(unsigned id) = 0;
  // DestroyIcon of a loaded icon.
  virtual void DeleteIconImage(IconHandle icon) = 0;
};

}  // namespace quendal
