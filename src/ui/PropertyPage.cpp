#include "ui/PropertyPage.h"

namespace quendal {

bool PropertyPage::OnSetActive() {
  if (m_bFirstSetActive) {
    m_bFirstSetActive = false;
  } else {
    UpdateData(false);
  }
  return true;
}

bool PropertyPage::OnKillActive() {
  UpdateData(true);
  return true;
}

}  // namespace quendal
