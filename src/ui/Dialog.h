// The framework layer's dialog: the logic behind one dialog window. The Win32 window procedure
// (or a test) attaches the window and calls the handlers; the dialog never sees a message.
//
//   Dialog        - a dialog template's logic: initialisation, commands, timers, data exchange
//   PropertyPage  - a dialog that is one page of a property sheet (PropertyPage.h)
#pragma once

#include <cstdint>
#include <memory>

#include "platform/DialogWindow.h"
#include "platform/StringTable.h"
#include "ui/DataExchange.h"

namespace quendal {

class Dialog {
 public:
  explicit Dialog(int templateId) : m_templateId(templateId) {}
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  int TemplateId() const { return m_templateId; }

  // Binds the logic to its newly created window, before OnInitDialog.
  void AttachWindow(std::unique_ptr<DialogWindow> window) { m_window = std::move(window); }
  // Forgets the window once it has been destroyed.
  void DetachWindow() { m_window.reset(); }
  DialogWindow* Window() const { return m_window.get(); }

  // Runs the data exchange in one direction; does nothing while there is no window.
  void UpdateData(bool saving);

  // Destroys the window (its logic stays); returns true when there was a window to destroy.
  virtual bool DestroyWindow();

  // Returns true to let the system give the focus to the first control.
  virtual bool OnInitDialog() { return true; }
  // A WM_COMMAND; returns true when this dialog handled it.
  virtual bool OnCommand(int /*id*/, int /*notifyCode*/) { return false; }
  // A WM_TIMER of one of this window's timers.
  virtual void OnTimer(unsigned /*id*/) {}
  // A WM_NOTIFY from control `id`; returns true when handled, with the message's result.
  virtual bool OnNotify(int /*id*/, int /*code*/, std::intptr_t& /*result*/) { return false; }
  // WM_CLOSE (the close box); returns true when handled, false for the default handling.
  virtual bool OnClose() { return false; }
  // After the default painting of the window.
  virtual void OnPaint() {}
  // After the default handling of WM_MOVE.
  virtual void OnMove() {}
  // The window now shows at another DPI (WM_DPICHANGED); `suggested` is the screen rectangle the
  // system proposes for it at that DPI.
  virtual void OnDpiChanged(const Rect& /*suggested*/) {}
  // The shell's notification area was rebuilt (the registered "TaskbarCreated" message).
  virtual void OnTaskbarCreated() {}
  // A message without a handler of its own (private and device messages); returns true when
  // handled, with the message's result.
  virtual bool OnWindowMessage(unsigned /*message*/, std::uintptr_t /*wParam*/,
                               std::intptr_t /*lParam*/, std::intptr_t& /*result*/) {
    return false;
  }
  // The icon shown while the user drags the minimised window; zero for the system's own.
  virtual IconHandle OnQueryDragIcon() { return 0; }
  // Mouse messages of the window itself, at a point in its client coordinates.
  virtual void OnLButtonDown(int /*x*/, int /*y*/) {}
  virtual void OnLButtonUp(int /*x*/, int /*y*/) {}
  virtual void OnMouseMove(int /*x*/, int /*y*/) {}

  // A message box owned by this window with a text and caption from the string table; returns
  // the button chosen, or 0 when the window does not exist.
  int ShowMessage(const StringTable& strings, unsigned textId, unsigned captionId, unsigned style);

 protected:
  virtual void DoDataExchange(DataExchange& /*dx*/) {}

 private:
  int m_templateId;
  std::unique_ptr<DialogWindow> m_window;
};

}  // namespace quendal
