#include "pages/AboutDlg.h"

#include "platform/WindowsValues.h"
#include "resource_ids.h"

namespace quendal {

namespace {

constexpr StaticPicture kPicture[] = {{IDC_ABOUT_PICTURE, IDI_ABOUT, PictureKind::kIcon}};

}  // namespace

CAboutDlg::CAboutDlg(Bitmaps& bitmaps) : Dialog(IDD_ABOUT), m_picture(bitmaps, kPicture) {}

bool CAboutDlg::OnInitDialog() {
  m_picture.ShowAtDpiOf(*Window());
  return Dialog::OnInitDialog();
}

bool CAboutDlg::OnCommand(int id, int /*notifyCode*/) {
  if (id != kIdOk && id != kIdCancel) return false;
  Window()->Show(ShowCommand::kHide);
  return true;
}

void CAboutDlg::OnDpiChanged(const Rect& suggested) {
  Window()->MoveWindow(suggested, true);
  m_picture.ShowAtDpiOf(*Window());
}

bool CAboutDlg::DestroyWindow() {
  const bool destroyed = Dialog::DestroyWindow();
  m_picture.Release();
  return destroyed;
}

}  // namespace quendal
