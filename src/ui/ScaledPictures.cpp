#include "ui/ScaledPictures.h"

namespace quendal {

void ScaledPictures::ShowAtDpiOf(DialogWindow& window) {
  const PictureScale scale = PictureScaleForDpi(window.GetDpi());
  if (scale == m_shown) return;
  for (std::size_t i = 0; i < m_pictures.size(); ++i) {
    const StaticPicture& picture = m_pictures[i];
    const std::uintptr_t loaded = Load(picture, scale);
    if (loaded == 0) continue;
    // The control lets go of the old picture before it is deleted.
    if (picture.kind == PictureKind::kIcon) {
      window.SetControlIcon(picture.control, loaded);
    } else {
      window.SetControlBitmap(picture.control, loaded);
    }
    if (m_handles[i] != 0) Delete(picture, m_handles[i]);
    m_handles[i] = loaded;
  }
  m_shown = scale;
}

void ScaledPictures::Release() {
  for (std::size_t i = 0; i < m_pictures.size(); ++i) {
    if (m_handles[i] != 0) Delete(m_pictures[i], m_handles[i]);
    m_handles[i] = 0;
  }
  m_shown = PictureScale::k100;
}

std::uintptr_t ScaledPictures::Load(const StaticPicture& picture, PictureScale scale) {
  const unsigned id = ScaledPictureId(picture.resource, scale);
  return picture.kind == PictureKind::kIcon ? m_bitmaps.LoadIconImage(id) : m_bitmaps.Load(id);
}

void ScaledPictures::Delete(const StaticPicture& picture, std::uintptr_t handle) {
  if (picture.kind == PictureKind::kIcon) {
    m_bitmaps.DeleteIconImage(handle);
  } else {
    m_bitmaps.Delete(handle);
  }
}

}  // namespace quendal
