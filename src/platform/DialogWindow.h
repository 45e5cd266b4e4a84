// Port onto one dialog window and its controls, addressed by control id. The Win32 adapter
// sends the dialog and control messages; the fake keeps the controls in memory.
#pragma once

#include <cstdint>
#include <string>

namespace quendal {

// A rectangle in pixels.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

// ShowWindow commands, with the system's own values.
enum class ShowCommand { kHide = 0, kShow = 5, kRestore = 9 };

// Opaque bitmap handle (an HBITMAP's bits); zero means none.
using BitmapHandle = std::uintptr_t;

// Opaque icon handle (an HICON's bits); zero means none.
using IconHandle = std::uintptr_t;

// Opaque window identity (an HWND's bits); zero means none.
using WindowId = std::uintptr_t;

class DialogWindow {
 public:
  virtual ~DialogWindow() = default;

  // Buttons, text and enabled state of the controls.
  virtual bool IsButtonChecked(int id) const = 0;
  virtual void SetButtonCheck(int id, bool checked) = 0;
  virtual void EnableControl(int id, bool enable) = 0;
  virtual std::wstring GetControlText(int id) const = 0;
  virtual void SetControlText(int id, const std::wstring& text) = 0;

  // Sliders (trackbars).
  virtual void SetSliderRange(int id, int min, int max, bool redraw) = 0;
  virtual void SetSliderPos(int id, int position, bool redraw) = 0;
  virtual int GetSliderPos(int id) const = 0;

  // Pictures: a bitmap or icon static's image (STM_SETIMAGE), and a bitmap button's only image
  // loaded from a named bitmap resource, shown from the button's next paint.
  virtual void SetControlBitmap(int id, BitmapHandle bitmap) = 0;
  virtual void SetControlIcon(int id, IconHandle icon) = 0;
  virtual void SetButtonBitmap(int id, const wchar_t* bitmapName) = 0;
  // Repaints a control at once: invalidated with its background erased, then updated.
  virtual void RedrawControl(int id) = 0;

  // Geometry in pixels: the window in screen coordinates, a control in this window's client
  // coordinates.
  virtual Rect GetWindowRect() const = 0;
  virtual Rect GetClientRect() const = 0;
  virtual Rect GetControlRect(int id) const = 0;
  virtual void MoveControl(int id, const Rect& clientRect, bool repaint) = 0;
  virtual void MoveWindow(const Rect& screenRect, bool repaint) = 0;

  // The window itself.
  virtual WindowId Id() const = 0;
  // The DPI the window is shown at (96 at 100 %), which its pixel constants are scaled by.
  virtual int GetDpi() const = 0;
  // Sets the window's big and small icon.
  virtual void SetIcon(IconHandle icon) = 0;
  virtual void Show(ShowCommand command) = 0;
  virtual void EnableWindow(bool enable) = 0;
  // Shows or hides the pop-ups this window owns.
  virtual void ShowOwnedPopups(bool show) = 0;
  // Destroys the window.
  virtual void Destroy() = 0;
  // Ends this window's modal run with `result`.
  virtual void EndDialog(int result) = 0;
  // Posts WM_COMMAND with the id (lParam 0) to this window.
  virtual void PostCommand(int id) = 0;

  // Window timers: WM_TIMER with the id reaches the dialog's OnTimer.
  virtual void SetTimer(unsigned id, unsigned periodMs) = 0;
  virtual void KillTimer(unsigned id) = 0;

  // A message box owned by this window; returns the button chosen (kIdOk, kIdYes, kIdNo).
  virtual int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                             unsigned style) = 0;
};

}  // namespace quendal
