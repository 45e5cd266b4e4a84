// The program's bitmap and icon resources through LoadImageW, DeleteObject and DestroyIcon.
#pragma once

#include "platform/Bitmaps.h"

namespace quendal {

class Win32Bitmaps : public Bitmaps {
 public:
  BitmapHandle Load(unsigned id) override;
  void Delete(BitmapHandle bitmap) override;
  IconHandle LoadIconImage(unsigned id) override;
  void DeleteIconImage(IconHandle icon) override;
};

}  // namespace quendal
