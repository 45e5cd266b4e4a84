// The pictures of a window's static controls at the scale of the window's DPI. The dialog
// template gives each control its 100 % picture; the window replaces them with pictures of its
// own once its DPI asks for another scale, and holds those until it lets them go.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/Bitmaps.h"
#include "platform/DialogWindow.h"
#include "ui/PictureScale.h"

namespace quendal {

enum class PictureKind { kBitmap, kIcon };

// A static control and the resource of its picture at 100 %.
struct StaticPicture {
  int control;
  unsigned resource;
  PictureKind kind;
};

class ScaledPictures {
 public:
  ScaledPictures(Bitmaps& bitmaps, std::span<const StaticPicture> pictures)
      : m_bitmaps(bitmaps), m_pictures(pictures), m_handles(pictures.size(), 0) {}
  ~ScaledPictures() { Release(); }
  ScaledPictures(const ScaledPictures&) = delete;
  ScaledPictures& operator=(const ScaledPictures&) = delete;

  // Gives every control its picture at the scale of the window's DPI and deletes the one it
  // showed before; nothing happens while that scale is already shown. A picture that does not
  // load leaves its control with the picture it had.
  void ShowAtDpiOf(DialogWindow& window);
  // Deletes the pictures loaded; for when the window and its controls have gone, after which the
  // controls of a new window show their template's pictures again.
  void Release();

  PictureScale ShownScale() const { return m_shown; }

 private:
  std::uintptr_t Load(const StaticPicture& picture, PictureScale scale);
  void Delete(const StaticPicture& picture, std::uintptr_t handle);

  Bitmaps& m_bitmaps;
  std::span<const StaticPicture> m_pictures;
  // By index of m_pictures; zero while the control shows its template's picture.
  std::vector<std::uintptr_t> m_handles;
  PictureScale m_shown = PictureScale::k100;
};

}  // namespace quendal
