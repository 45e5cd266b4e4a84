#include "fakes/FakeBitmaps.h"

namespace quendal::test {

std::uintptr_t FakeBitmaps::NewHandle(unsigned id) {
  const std::uintptr_t handle = m_next;
  m_next += 8;
  m_ids[handle] = id;
  return handle;
}

BitmapHandle FakeBitmaps::Load(unsigned id) {
  loaded.push_back(id);
  if (refusedIds.contains(id)) return 0;
  const BitmapHandle bitmap = NewHandle(id);
  m_live.insert(bitmap);
  return bitmap;
}

void FakeBitmaps::Delete(BitmapHandle bitmap) {
  if (m_live.erase(bitmap) == 0) {
    ++misuses;
    return;
  }
  deleted.push_back(m_ids.at(bitmap));
}

IconHandle FakeBitmaps::LoadIconImage(unsigned id) {
  loadedIcons.push_back(id);
  if (refusedIds.contains(id)) return 0;
  const IconHandle icon = NewHandle(id);
  m_liveIcons.insert(icon);
  return icon;
}

void FakeBitmaps::DeleteIconImage(IconHandle icon) {
  if (m_liveIcons.erase(icon) == 0) {
    ++misuses;
    return;
  }
  deletedIcons.push_back(m_ids.at(icon));
}

std::optional<unsigned> FakeBitmaps::IdOf(BitmapHandle bitmap) const {
  const auto found = m_ids.find(bitmap);
  if (found == m_ids.end()) return std::nullopt;
  return found->second;
}

}  // namespace quendal::test
