// Port onto a property sheet that holds property pages. The sheet creates a page's window on
// the page's first activation; selecting a page runs OnKillActive on the page being left and
// OnSetActive on the new one, and a refused activation leaves the old page selected.
#pragma once

#include "platform/DialogWindow.h"
#include "ui/PropertyPage.h"

namespace quendal {

class PropertySheet {
 public:
  virtual ~PropertySheet() = default;

  // Adds a page at the next index; the sheet does not own it.
  virtual void AddPage(PropertyPage& page) = 0;
  // Creates the sheet modeless and hidden: a borderless pop-up owned by `owner` showing only
  // the tab row and the page area. Page 0's window is created and activated at once.
  virtual bool Create(WindowId owner) = 0;
  // Selects page `index`; false when there is no such page or the activation was refused.
  virtual bool SetActivePage(int index) = 0;
  // The selected page's index, -1 before creation.
  virtual int GetActiveIndex() const = 0;
  virtual Rect GetWindowRect() const = 0;
  // Places the sheet on the screen at the top of the Z order without activating it, and shows
  // it when `show`; otherwise its visibility does not change.
  virtual void PlaceOnTop(const Rect& screenRect, bool show) = 0;
};

}  // namespace quendal
