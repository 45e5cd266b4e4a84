// Port onto one dialog window and its controls, addressed by control id. The Win32 adapter
// sends the dialog and control messages; the fake keeps the controls in memory.
#pragma once

#include <string>

namespace quendal {

class DialogWindow {
 public:
  virtual ~DialogWindow() = default;

  virtual bool IsButtonChecked(int id) const = 0;
  virtual void SetButtonCheck(int id, bool checked) = 0;
  virtual void EnableControl(int id, bool enable) = 0;
  virtual std::wstring GetControlText(int id) const = 0;
  virtual void SetControlText(int id, const std::wstring& text) = 0;

  // Window timers: WM_TIMER with the id reaches the dialog's OnTimer.
  virtual void SetTimer(unsigned id, unsigned periodMs) = 0;
  virtual void KillTimer(unsigned id) = 0;

  // A message box owned by this window; returns the button chosen (kIdOk, kIdYes, kIdNo).
  virtual int MessageBox(const std::wstring& text, const std::wstring& caption,
                         unsigned style) = 0;
};

}  // namespace quendal
