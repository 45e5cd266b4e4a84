// The framework layer's bitmap button: an owner-drawn push button of a dialog that shows one
// picture, loaded from a named bitmap resource. The dialog constructs it with itself and binds
// it to its control once the window exists (OnInitDialog); it must not be used before.
#pragma once

#include "platform/DialogWindow.h"

namespace quendal {

class BitmapButton {
 public:
  void Bind(DialogWindow& window, int id) {
    m_window = &window;
    m_id = id;
  }

  // Shows the named picture; the button is redrawn at once, before the handler that changed the
  // picture goes on.
  void LoadBitmaps(const wchar_t* bitmapName) {
    m_window->SetButtonBitmap(m_id, bitmapName);
    m_window->RedrawControl(m_id);
  }
  void EnableWindow(bool enable) { m_window->EnableControl(m_id, enable); }

 private:
  DialogWindow* m_window = nullptr;
  int m_id = 0;
};

}  // namespace quendal
