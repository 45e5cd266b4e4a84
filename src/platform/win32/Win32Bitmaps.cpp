#include "platform/win32/Win32Bitmaps.h"

#include <windows.h>

namespace quendal {

BitmapHandle Win32Bitmaps::Load(unsigned id) {
  HANDLE bitmap = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0,
                             LR_DEFAULTCOLOR);
  return reinterpret_cast<BitmapHandle>(bitmap);
}

void Win32Bitmaps::Delete(BitmapHandle bitmap) { DeleteObject(reinterpret_cast<HGDIOBJ>(bitmap)); }

// No size asked and no LR_DEFAULTSIZE: the image keeps its own size, also a side beyond the 255
// that the icon directory can state.
IconHandle Win32Bitmaps::LoadIconImage(unsigned id) {
  HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0,
                           LR_DEFAULTCOLOR);
  return reinterpret_cast<IconHandle>(icon);
}

void Win32Bitmaps::DeleteIconImage(IconHandle icon) { DestroyIcon(reinterpret_cast<HICON>(icon)); }

}  // namespace quendal
