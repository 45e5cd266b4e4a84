#include "ui/Dialog.h"

namespace quendal {

void Dialog::UpdateData(bool saving) {
  if (!m_window) return;
  DataExchange dx(*m_window, saving);
  DoDataExchange(dx);
}

int Dialog::ShowMessage(const StringTable& strings, unsigned textId, unsigned captionId,
                        unsigned style) {
  if (!m_window) return 0;
  return m_window->ShowMessageBox(strings.Load(textId), strings.Load(captionId), style);
}

}  // namespace quendal
