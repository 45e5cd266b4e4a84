// The About box: the product's name, version and date with the maker's notices. A modeless
// top-level window, created hidden at start-up and only shown and hidden afterwards.
#pragma once

#include "ui/Dialog.h"

namespace quendal {

class CAboutDlg : public Dialog {
 public:
  CAboutDlg();

  // OK, Esc and the close box hide the box; the next About command shows the same window.
  bool OnCommand(int id, int notifyCode) override;
};

}  // namespace quendal
