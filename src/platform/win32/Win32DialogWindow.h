// A dialog window and its controls through the dialog, button, static, edit and trackbar
// messages. It also holds the images of the window's bitmap buttons, which the window procedure
// has drawn on their WM_DRAWITEM.
#pragma once

#include <windows.h>

#include "platform/DialogWindow.h"
#include "platform/win32/Win32BitmapButtons.h"

namespace quendal {

class Win32DialogWindow : public DialogWindow {
 public:
  explicit Win32DialogWindow(HWND window) : m_window(window) {}
  Win32DialogWindow(const Win32DialogWindow&) = delete;
  Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;

  HWND Handle() const { return m_window; }

  bool IsButtonChecked(int id) const override;
  void SetButtonCheck(int id, bool checked) override;
  void EnableControl(int id, bool enable) override;
  std::wstring GetControlText(int id) const override;
  void SetControlText(int id, const std::wstring& text) override;

  void SetSliderRange(int id, int min, int max, bool redraw) override;
  void SetSliderPos(int id, int position, bool redraw) override;
  int GetSliderPos(int id) const override;

  void SetControlBitmap(int id, BitmapHandle bitmap) override;
  void SetControlIcon(int id, IconHandle icon) override;
  void SetButtonBitmap(int id, const wchar_t* bitmapName) override;
  const Win32BitmapButtons& BitmapButtons() const { return m_bitmapButtons; }
  void RedrawControl(int id) override;

  Rect GetWindowRect() const override;
  Rect GetClientRect() const override;
  Rect GetControlRect(int id) const override;
  void MoveControl(int id, const Rect& clientRect, bool repaint) override;
  void MoveWindow(const Rect& screenRect, bool repaint) override;

  WindowId Id() const override { return reinterpret_cast<WindowId>(m_window); }
  int GetDpi() const override;
  void SetIcon(IconHandle icon) override;
  void Show(ShowCommand command) override;
  void EnableWindow(bool enable) override;
  void ShowOwnedPopups(bool show) override;
  void Destroy() override;
  void EndDialog(int result) override;
  void PostCommand(int id) override;

  void SetTimer(unsigned id, unsigned periodMs) override;
  void KillTimer(unsigned id) override;
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                     unsigned style) override;

 private:
  HWND Item(int id) const { return GetDlgItem(m_window, id); }

  HWND m_window;
  Win32BitmapButtons m_bitmapButtons;
};

}  // namespace quendal
