#include "fakes/FakeWindows.h"

#include "resource_ids.h"

namespace quendal::test {

namespace {

// Only the control-panel window's template is visible when created.
std::unique_ptr<FakeDialogWindow> NewWindowFor(const Dialog& dialog) {
  auto window = std::make_unique<FakeDialogWindow>();
  window->visible = dialog.TemplateId() == IDD_CONTROL_PANEL;
  return window;
}

}  // namespace

bool FakePropertySheet::Create(WindowId sheetOwner, int sheetCloseCommand) {
  owner = sheetOwner;
  closeCommand = sheetCloseCommand;
  if (pages.empty()) return false;
  CreatePageWindow(*pages[0]);
  pages[0]->OnSetActive();
  activeIndex = 0;
  return true;
}

bool FakePropertySheet::SetActivePage(int index) {
  selections.push_back(index);
  if (index < 0 || index >= static_cast<int>(pages.size())) return false;
  if (index == activeIndex) return true;
  if (activeIndex >= 0 && !pages[activeIndex]->OnKillActive()) return false;
  PropertyPage& page = *pages[index];
  if (page.Window() == nullptr) CreatePageWindow(page);
  if (!page.OnSetActive()) return false;
  activeIndex = index;
  return true;
}

void FakePropertySheet::PlaceOnTop(const Rect& screenRect, bool show) {
  placements.push_back(screenRect);
  windowRect = screenRect;
  if (show) visible = true;
}

void FakePropertySheet::CreatePageWindow(PropertyPage& page) {
  page.AttachWindow(std::make_unique<FakeDialogWindow>());
  page.OnInitDialog();
}

bool FakeWindowFactory::CreateModeless(Dialog& dialog, WindowId owner) {
  if (refuseModeless) return false;
  modeless.push_back(&dialog);
  modelessOwners.push_back(owner);
  dialog.AttachWindow(NewWindowFor(dialog));
  dialog.OnInitDialog();
  return true;
}

int FakeWindowFactory::RunModal(Dialog& dialog) {
  ++modalRuns;
  dialog.AttachWindow(NewWindowFor(dialog));
  dialog.OnInitDialog();
  if (duringModalRun) duringModalRun(dialog);
  const auto* window = FakeWindowOf(dialog);
  const int result = window != nullptr && window->endResult ? *window->endResult : -1;
  dialog.DestroyWindow();
  return result;
}

std::unique_ptr<PropertySheet> FakeWindowFactory::CreatePropertySheet() {
  auto created = std::make_unique<FakePropertySheet>();
  created->windowRect = sheetRect;
  sheet = created.get();
  return created;
}

// Shared icons: loading one twice gives the same handle.
IconHandle FakeWindowFactory::LoadWindowIcon(unsigned iconId) {
  const IconHandle icon = 0x7000 + iconId;
  m_icons[icon] = iconId;
  return icon;
}

unsigned FakeWindowFactory::IconResource(IconHandle icon) const {
  const auto loaded = m_icons.find(icon);
  return loaded == m_icons.end() ? 0 : loaded->second;
}

}  // namespace quendal::test
