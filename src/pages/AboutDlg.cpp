#include "pages/AboutDlg.h"

#include "platform/WindowsValues.h"
#include "resource_ids.h"

namespace quendal {

CAboutDlg::CAboutDlg() : Dialog(IDD_ABOUT) {}

bool CAboutDlg::OnCommand(int id, int /*notifyCode*/) {
  if (id != kIdOk && id != kIdCancel) return false;
  Window()->Show(ShowCommand::kHide);
  return true;
}

}  // namespace quendal
