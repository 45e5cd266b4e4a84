#include "fakes/FakeDialogWindow.h"

#include "platform/WindowsValues.h"

namespace quendal::test {

int FakeDialogWindow::MessageBox(const std::wstring& text, const std::wstring& caption,
                                 unsigned style) {
  boxes.push_back({text, caption, style});
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
