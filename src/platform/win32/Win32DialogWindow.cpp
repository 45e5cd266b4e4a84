#include "platform/win32/Win32DialogWindow.h"

#include <commctrl.h>

#include "platform/win32/Win32Dpi.h"
#include "platform/win32/Win32WindowFactory.h"

namespace quendal {

namespace {

Rect FromRECT(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

}  // namespace

bool Win32DialogWindow::IsButtonChecked(int id) const {
  return IsDlgButtonChecked(m_window, id) == BST_CHECKED;
}

void Win32DialogWindow::SetButtonCheck(int id, bool checked) {
  CheckDlgButton(m_window, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void Win32DialogWindow::EnableControl(int id, bool enable) {
  ::EnableWindow(Item(id), enable ? TRUE : FALSE);
}

std::wstring Win32DialogWindow::GetControlText(int id) const {
  const int length = GetWindowTextLengthW(Item(id));
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetDlgItemTextW(m_window, id, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

void Win32DialogWindow::SetControlText(int id, const std::wstring& text) {
  SetDlgItemTextW(m_window, id, text.c_str());
}

void Win32DialogWindow::SetSliderRange(int id, int min, int max, bool redraw) {
  SendDlgItemMessageW(m_window, id, TBM_SETRANGEMIN, FALSE, min);
  SendDlgItemMessageW(m_window, id, TBM_SETRANGEMAX, redraw ? TRUE : FALSE, max);
}

void Win32DialogWindow::SetSliderPos(int id, int position, bool redraw) {
  SendDlgItemMessageW(m_window, id, TBM_SETPOS, redraw ? TRUE : FALSE, position);
}

int Win32DialogWindow::GetSliderPos(int id) const {
  return static_cast<int>(SendDlgItemMessageW(m_window, id, TBM_GETPOS, 0, 0));
}

void Win32DialogWindow::SetControlBitmap(int id, BitmapHandle bitmap) {
  SendDlgItemMessageW(m_window, id, STM_SETIMAGE, IMAGE_BITMAP, static_cast<LPARAM>(bitmap));
}

void Win32DialogWindow::SetControlIcon(int id, IconHandle icon) {
  SendDlgItemMessageW(m_window, id, STM_SETIMAGE, IMAGE_ICON, static_cast<LPARAM>(icon));
}

void Win32DialogWindow::SetButtonBitmap(int id, const wchar_t* bitmapName) {
  m_bitmapButtons.SetImage(id, bitmapName);
}

void Win32DialogWindow::RedrawControl(int id) {
  HWND control = Item(id);
  InvalidateRect(control, nullptr, TRUE);
  UpdateWindow(control);
}

Rect Win32DialogWindow::GetWindowRect() const {
  RECT rect{};
  ::GetWindowRect(m_window, &rect);
  return FromRECT(rect);
}

int Win32DialogWindow::GetDpi() const { return WindowDpi(m_window); }

Rect Win32DialogWindow::GetClientRect() const {
  RECT rect{};
  ::GetClientRect(m_window, &rect);
  return FromRECT(rect);
}

Rect Win32DialogWindow::GetControlRect(int id) const {
  RECT rect{};
  ::GetWindowRect(Item(id), &rect);
  MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT*>(&rect), 2);
  return FromRECT(rect);
}

void Win32DialogWindow::MoveControl(int id, const Rect& clientRect, bool repaint) {
  ::MoveWindow(Item(id), clientRect.left, clientRect.top, clientRect.Width(), clientRect.Height(),
               repaint ? TRUE : FALSE);
}

void Win32DialogWindow::MoveWindow(const Rect& screenRect, bool repaint) {
  ::MoveWindow(m_window, screenRect.left, screenRect.top, screenRect.Width(), screenRect.Height(),
               repaint ? TRUE : FALSE);
}

void Win32DialogWindow::SetIcon(IconHandle icon) {
  const auto handle = static_cast<LPARAM>(icon);
  SendMessageW(m_window, WM_SETICON, ICON_BIG, handle);
  SendMessageW(m_window, WM_SETICON, ICON_SMALL, handle);
}

void Win32DialogWindow::Show(ShowCommand command) {
  ShowWindow(m_window, static_cast<int>(command));
}

void Win32DialogWindow::EnableWindow(bool enable) {
  ::EnableWindow(m_window, enable ? TRUE : FALSE);
}

void Win32DialogWindow::ShowOwnedPopups(bool show) {
  ::ShowOwnedPopups(m_window, show ? TRUE : FALSE);
}

void Win32DialogWindow::Destroy() { ::DestroyWindow(m_window); }

void Win32DialogWindow::EndDialog(int result) { EndModalRun(m_window, result); }

void Win32DialogWindow::PostCommand(int id) {
  PostMessageW(m_window, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

void Win32DialogWindow::SetTimer(unsigned id, unsigned periodMs) {
  ::SetTimer(m_window, id, periodMs, nullptr);
}

void Win32DialogWindow::KillTimer(unsigned id) { ::KillTimer(m_window, id); }

int Win32DialogWindow::ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                                      unsigned style) {
  return ::MessageBoxW(m_window, text.c_str(), caption.c_str(), style);
}

}  // namespace quendal
