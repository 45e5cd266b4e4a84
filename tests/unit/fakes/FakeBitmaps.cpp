#include "fakes/FakeBitmaps.h"

namespace quendal::test {

BitmapHandle FakeBitmaps::Load(unsigned id) {
  loaded.push_back(id);
  if (refusedIds.contains(id)) return 0;
  const BitmapHandle bitmap = m_next;
  m_next += 8;
  m_ids[bitmap] = id;
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

std::optional<unsigned> FakeBitmaps::IdOf(BitmapHandle bitmap) const {
  const auto found = m_ids.find(bitmap);
  if (found == m_ids.end()) return std::nullopt;
  return found->second;
}

}  // namespace quendal::test
