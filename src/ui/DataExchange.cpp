#include "ui/DataExchange.h"

namespace quendal {

void DataExchange::Check(int id, int& value) {
  if (m_saving) {
    value = m_window.IsButtonChecked(id) ? 1 : 0;
  } else {
    m_window.SetButtonCheck(id, value != 0);
  }
}

void DataExchange::Text(int id, std::wstring& value) {
  if (m_saving) {
    value = m_window.GetControlText(id);
  } else {
    m_window.SetControlText(id, value);
  }
}

void DataExchange::Radio(std::initializer_list<int> group, int& index) {
  int position = 0;
  if (m_saving) {
    index = -1;
    for (int id : group) {
      if (m_window.IsButtonChecked(id)) {
        index = position;
        break;
      }
      ++position;
    }
    return;
  }
  for (int id : group) m_window.SetButtonCheck(id, position++ == index);
}

}  // namespace quendal
