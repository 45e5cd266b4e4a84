// Fakes of the window factory and the property sheet. The sheet models the activation rules of
// a real one: a page's window is created on its first activation; selecting a page runs
// OnKillActive on the page being left, then OnSetActive on the new one; a refused kill or set
// leaves the old page selected. Selecting the page that is already selected runs nothing, the
// least a real sheet guarantees.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "fakes/FakeDialogWindow.h"
#include "ui/WindowFactory.h"

namespace quendal::test {

// The fake window behind a dialog or page.
inline FakeDialogWindow* FakeWindowOf(const Dialog& dialog) {
  return static_cast<FakeDialogWindow*>(dialog.Window());
}

class FakePropertySheet : public PropertySheet {
 public:
  void AddPage(PropertyPage& page) override { pages.push_back(&page); }
  bool Create(WindowId owner, int closeCommand) override;
  bool SetActivePage(int index) override;
  int GetActiveIndex() const override { return activeIndex; }
  Rect GetWindowRect() const override { return windowRect; }
  void PlaceOnTop(const Rect& screenRect, bool show) override;

  std::vector<PropertyPage*> pages;
  WindowId owner = 0;
  int closeCommand = 0;
  int activeIndex = -1;
  Rect windowRect{0, 0, 430, 320};  // in the owner's client coordinates
  bool visible = false;
  std::vector<int> selections;  // every index asked for, in order
  std::vector<Rect> placements;

 private:
  void CreatePageWindow(PropertyPage& page);
};

class FakeWindowFactory : public WindowFactory {
 public:
  bool CreateModeless(Dialog& dialog, WindowId owner) override;
  int RunModal(Dialog& dialog) override;
  std::unique_ptr<PropertySheet> CreatePropertySheet() override;
  IconHandle LoadWindowIcon(unsigned iconId) override;

  // The resource id an icon handle was loaded from; zero for an unknown handle.
  unsigned IconResource(IconHandle icon) const;

  bool refuseModeless = false;
  // Runs while the modal window is up, as the user would act during the run.
  std::function<void(Dialog&)> duringModalRun;
  std::vector<Dialog*> modeless;
  std::vector<WindowId> modelessOwners;
  int modalRuns = 0;
  FakePropertySheet* sheet = nullptr;  // the last sheet made
  // The window rectangle of the sheets it makes, which grows with the DPI on a real system.
  Rect sheetRect = FakePropertySheet().windowRect;

 private:
  std::map<IconHandle, unsigned> m_icons;
};

}  // namespace quendal::test
