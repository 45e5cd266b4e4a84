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
  // Creates the sheet modeless and hidden: a borderless child of `owner` showing only the tab
  // row and the page area. Enter, Escape and Alt+F4 in the sheet post `closeCommand` to the
  // owner instead of ending the sheet. Page 0's window is created and activated at once.
  virtual bool Create(WindowId owner, int closeCommand) = 0;
  // Selects page `index`; false when there is no such page or the activation was refused.
  virtual bool SetActivePage(int index) = 0;
  // The selected page's index, -1 before creation.
  virtual int GetActiveIndex() const = 0;
  // The sheet's window rectangle in the owner's client coordinates.
  virtual Rect GetWindowRect() const = 0;
  // Places the sheet at `clientRect` of the owner, at the top of the Z order without activating
  // it, and shows it when `show`; otherwise its visibility does not change.
  virtual void PlaceOnTop(const Rect& clientRect, bool show) = 0;
};

}  // namespace quendal
