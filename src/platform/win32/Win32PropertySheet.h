// comctl32's own property sheet behind the property-sheet port: created modeless from the
// pages' templates, without its buttons, and made a borderless child of its owner window, so
// that it moves, hides and stacks with that window and shares its client coordinates.
#pragma once

#include <windows.h>

#include <vector>

#include "ui/PropertySheet.h"

// <prsht.h> maps PropertySheet to PropertySheetW; the program's port of that name is meant here.
#undef PropertySheet

namespace quendal {

class Win32PropertySheet : public PropertySheet {
 public:
  Win32PropertySheet() = default;
  ~Win32PropertySheet() override;
  Win32PropertySheet(const Win32PropertySheet&) = delete;
  Win32PropertySheet& operator=(const Win32PropertySheet&) = delete;

  void AddPage(PropertyPage& page) override { m_pages.push_back(&page); }
  bool Create(WindowId owner, int closeCommand) override;
  bool SetActivePage(int index) override;
  int GetActiveIndex() const override;
  Rect GetWindowRect() const override;
  void PlaceOnTop(const Rect& clientRect, bool show) override;

 private:
  std::vector<PropertyPage*> m_pages;
  HWND m_sheet = nullptr;
};

// The property sheet that `window` is or lies in; null when none. The modal run gives such
// windows the sheet's own keyboard handling (Ctrl+Tab between pages).
HWND PropertySheetHolding(HWND window);

}  // namespace quendal
