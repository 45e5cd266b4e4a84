#include "ui/Dialog.h"

#include "ui/OpenBoxes.h"

namespace quendal {

void Dialog::UpdateData(bool saving) {
  if (!m_window) return;
  DataExchange dx(*m_window, saving);
  DoDataExchange(dx);
}

bool Dialog::DestroyWindow() {
  // The window procedure forgets the window while it is being destroyed, so the port object is
  // taken out of the member first and released only once the system is done with it.
  std::unique_ptr<DialogWindow> window = std::move(m_window);
  if (!window) return false;
  window->Destroy();
  return true;
}

int Dialog::ShowMessage(const StringTable& strings, unsigned textId, unsigned captionId,
                        unsigned style) {
  if (!m_window) return 0;
  const OpenBoxScope box;
  return m_window->ShowMessageBox(strings.Load(textId), strings.Load(captionId), style);
}

}  // namespace quendal
