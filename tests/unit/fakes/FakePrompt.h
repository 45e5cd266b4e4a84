// Message boxes without an owner: records each box and answers from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "fakes/BoxEvents.h"
#include "fakes/FakeDialogWindow.h"
#include "platform/Prompt.h"
#include "platform/WindowsValues.h"

namespace quendal::test {

class FakePrompt : public Prompt {
 public:
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                     unsigned style) override {
    boxes.push_back({text, caption, style});
    BoxEvents::RunWhileOpen();
    if (answers.empty()) return kIdOk;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::vector<MessageBoxShown> boxes;
  std::deque<int> answers;  // answers to the next boxes; OK (1) when empty
};

}  // namespace quendal::test
