// The About box: the product's name, version and date with the maker's notices. A modeless
// top-level window, created hidden when the user first asks for it and only shown and hidden
// afterwards. Its picture is shown at the scale of the window's DPI.
#pragma once

#include "platform/Bitmaps.h"
#include "ui/Dialog.h"
#include "ui/ScaledPictures.h"

namespace quendal {

class CAboutDlg : public Dialog {
 public:
  explicit CAboutDlg(Bitmaps& bitmaps);

  bool OnInitDialog() override;
  // OK, Esc and the close box hide the box; the next About command shows the same window.
  bool OnCommand(int id, int notifyCode) override;
  void OnDpiChanged(const Rect& suggested) override;
  // The picture goes with the window.
  bool DestroyWindow() override;

 private:
  ScaledPictures m_picture;
};

}  // namespace quendal
