#include "fakes/FakeDialogWindow.h"

#include <algorithm>

#include "fakes/BoxEvents.h"
#include "platform/WindowsValues.h"

namespace quendal::test {

void FakeDialogWindow::SetSliderRange(int id, int min, int max, bool) {
  Control& control = controls[id];
  control.sliderMin = min;
  control.sliderMax = max;
  control.sliderPos = std::clamp(control.sliderPos, min, max);
}

// Like a trackbar, the slider holds any position outside its range at the nearer end.
void FakeDialogWindow::SetSliderPos(int id, int position, bool) {
  Control& control = controls[id];
  control.sliderPos = std::clamp(position, control.sliderMin, control.sliderMax);
}

// Resizing keeps the frame: the client area grows and shrinks with the window.
void FakeDialogWindow::MoveWindow(const Rect& screenRect, bool) {
  clientRect.right += screenRect.Width() - windowRect.Width();
  clientRect.bottom += screenRect.Height() - windowRect.Height();
  windowRect = screenRect;
}

void FakeDialogWindow::Show(ShowCommand command) {
  shows.push_back(command);
  visible = command != ShowCommand::kHide;
}

int FakeDialogWindow::ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                                     unsigned style) {
  boxes.push_back({text, caption, style});
  BoxEvents::RunWhileOpen();
  if (answers.empty()) return kIdOk;
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

void FakeDialogWindow::ClickRadio(const std::vector<int>& group, int id) {
  for (int member : group) controls[member].checked = member == id;
}

FakeDialogWindow::Control FakeDialogWindow::ControlAt(int id) const {
  const auto control = controls.find(id);
  return control == controls.end() ? Control{} : control->second;
}

}  // namespace quendal::test
