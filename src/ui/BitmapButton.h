// The framework layer's bitmap button: an owner-drawn push button of a dialog that shows one
// picture, loaded from a named bitmap resource at the picture scale of the window's DPI. The
// dialog constructs it with itself and binds it to its control once the window exists
// (OnInitDialog); it must not be used before.
#pragma once

#include <string>

#include "platform/DialogWindow.h"
#include "ui/PictureScale.h"

namespace quendal {

class BitmapButton {
 public:
  void Bind(DialogWindow& window, int id) {
    m_window = &window;
    m_id = id;
    m_name.clear();
  }

  // Shows the named picture at the scale of the window's DPI; the button is redrawn at once,
  // before the handler that changed the picture goes on.
  void LoadBitmaps(const wchar_t* bitmapName) {
    m_name = bitmapName;
    m_scale = PictureScaleForDpi(m_window->GetDpi());
    m_window->SetButtonBitmap(m_id, ScaledPictureName(m_name, m_scale).c_str());
    m_window->RedrawControl(m_id);
  }
  // After a change of the window's DPI: the picture shown, at the scale of the new DPI.
  void ReloadForDpi() {
    if (m_name.empty() || PictureScaleForDpi(m_window->GetDpi()) == m_scale) return;
    const std::wstring name = m_name;
    LoadBitmaps(name.c_str());
  }
  void EnableWindow(bool enable) { m_window->EnableControl(m_id, enable); }

 private:
  DialogWindow* m_window = nullptr;
  int m_id = 0;
  std::wstring m_name;  // empty while no picture has been loaded
  PictureScale m_scale = PictureScale::k100;
};

}  // namespace quendal
