// An in-memory dialog window: controls by id, running timers, and the message boxes it owned,
// answered from a script.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/DialogWindow.h"

namespace quendal::test {

struct MessageBoxShown {
  std::wstring text;
  std::wstring caption;
  unsigned style;
};

class FakeDialogWindow : public DialogWindow {
 public:
  struct Control {
    bool checked = false;
    bool enabled = true;  // templates start their controls enabled
    std::wstring text;
  };

  bool IsButtonChecked(int id) const override { return ControlAt(id).checked; }
  void SetButtonCheck(int id, bool checked) override { controls[id].checked = checked; }
  void EnableControl(int id, bool enable) override { controls[id].enabled = enable; }
  std::wstring GetControlText(int id) const override { return ControlAt(id).text; }
  void SetControlText(int id, const std::wstring& text) override { controls[id].text = text; }
  void SetTimer(unsigned id, unsigned periodMs) override { timers[id] = periodMs; }
  void KillTimer(unsigned id) override { timers.erase(id); }
  int MessageBox(const std::wstring& text, const std::wstring& caption,
                 unsigned style) override;

  // A user's click on a radio button: it becomes the only checked button of its group.
  void ClickRadio(const std::vector<int>& group, int id);

  std::map<int, Control> controls;
  std::map<unsigned, unsigned> timers;  // id -> period
  std::vector<MessageBoxShown> boxes;
  std::deque<int> answers;  // answers to the next boxes; OK (1) when empty

 private:
  Control ControlAt(int id) const;
};

}  // namespace quendal::test
