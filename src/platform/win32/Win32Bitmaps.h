// The program's bitmap resources through LoadImageW and DeleteObject.
#pragma once

#include "platform/Bitmaps.h"

namespace quendal {

class Win32Bitmaps : public Bitmaps {
 public:
  BitmapHandle Load(unsigned id) override;
  void Delete(BitmapHandle bitmap) override;
};

}  // namespace quendal
