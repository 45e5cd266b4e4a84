// A dialog that is one page of a property sheet. The sheet runs OnKillActive on the page being
// left and OnSetActive on the page being selected; a refusal leaves the old page selected.
#pragma once

#include "ui/Dialog.h"

namespace quendal {

class PropertyPage : public Dialog {
 public:
  using Dialog::Dialog;

  // Nonzero: allow the page to become active. The base moves the members into the controls on
  // every activation after the first, which the window's own initialisation has done.
  virtual bool OnSetActive();
  // Nonzero: allow another page to become active. The base saves the controls into the members.
  virtual bool OnKillActive();

 private:
  bool m_bFirstSetActive = true;
};

}  // namespace quendal
