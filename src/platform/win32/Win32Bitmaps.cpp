#include "platform/win32/Win32Bitmaps.h"

#include <windows.h>

namespace quendal {

BitmapHandle Win32Bitmaps::Load(unsigned id) {
  HANDLE bitmap = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0,
                             LR_DEFAULTCOLOR);
  return reinterpret_cast<BitmapHandle>(bitmap);
}

void Win32Bitmaps::Delete(BitmapHandle bitmap) { DeleteObject(reinterpret_cast<HGDIOBJ>(bitmap)); }

}  // namespace quendal
