// Data exchange between a dialog's members and its controls, in one direction at a time:
// towards the controls, or (saving) from the controls into the members.
#pragma once

#include <initializer_list>
#include <string>

#include "platform/DialogWindow.h"

namespace quendal {

class DataExchange {
 public:
  DataExchange(DialogWindow& window, bool saving) : m_window(window), m_saving(saving) {}

  bool Saving() const { return m_saving; }

  // A check box and a BOOL member (0 or 1 when saved).
  void Check(int id, int& value);
  void Text(int id, std::wstring& value);
  // A radio group given by its buttons in order and the index of the checked one. An index that
  // names no button leaves the group with nothing checked; nothing checked saves as -1.
  void Radio(std::initializer_list<int> group, int& index);

 private:
  DialogWindow& m_window;
  bool m_saving;
};

}  // namespace quendal
