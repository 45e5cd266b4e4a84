// A dialog window and its controls through the dialog, button, static, edit and trackbar
// messages. It also owns the images of the window's bitmap buttons, which it draws when the
// window procedure hands it their WM_DRAWITEM.
#pragma once

#include <windows.h>

#include <map>

#include "platform/DialogWindow.h"

namespace quendal {

class Win32DialogWindow : public DialogWindow {
 public:
  explicit Win32DialogWindow(HWND window) : m_window(window) {}
  ~Win32DialogWindow() override;
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
  void SetButtonBitmap(int id, const wchar_t* bitmapName) override;
  void RedrawControl(int id) override;
  // Draws a bitmap button; false when the item is not one of this window's bitmap buttons.
  bool DrawBitmapButton(const DRAWITEMSTRUCT& item) const;

  Rect GetWindowRect() const override;
  Rect GetClientRect() const override;
  Rect GetControlRect(int id) const override;
  Rect GetControlScreenRect(int id) const override;
  void MoveControl(int id, const Rect& clientRect, bool repaint) override;
  void MoveWindow(const Rect& screenRect, bool repaint) override;

  WindowId Id() const override { return reinterpret_cast<WindowId>(m_window); }
  void SetIcon(unsigned iconId) override;
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
  std::map<int, HBITMAP> m_buttonBitmaps;
};

}  // namespace quendal
