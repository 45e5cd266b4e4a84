// The pictures of one dialog's owner-drawn bitmap buttons: each button's only image, loaded
// from a named bitmap resource and drawn centred on the button face.
#pragma once

#include <windows.h>

#include <map>

namespace quendal {

class Win32BitmapButtons {
 public:
  Win32BitmapButtons() = default;
  ~Win32BitmapButtons();
  Win32BitmapButtons(const Win32BitmapButtons&) = delete;
  Win32BitmapButtons& operator=(const Win32BitmapButtons&) = delete;

  // Replaces the image of button `id` (freeing the old one); it shows from the button's next
  // paint.
  void SetImage(int id, const wchar_t* bitmapName);
  // Draws the item of a WM_DRAWITEM; false when it is not one of these buttons.
  bool Draw(const DRAWITEMSTRUCT& item) const;

 private:
  std::map<int, HBITMAP> m_bitmaps;
};

}  // namespace quendal
