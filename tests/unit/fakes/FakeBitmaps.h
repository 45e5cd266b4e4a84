// The program's bitmap and icon resources in memory: every load gives a new handle that remembers
// its resource id, loads of chosen ids fail, and live handles are counted so that tests can prove
// that every bitmap and icon is deleted exactly once, each by the function of its kind.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <vector>

#include "platform/Bitmaps.h"

namespace quendal::test {

class FakeBitmaps : public Bitmaps {
 public:
  BitmapHandle Load(unsigned id) override;
  void Delete(BitmapHandle bitmap) override;
  IconHandle LoadIconImage(unsigned id) override;
  void DeleteIconImage(IconHandle icon) override;

  // Script.
  std::set<unsigned> refusedIds;

  // Observations.
  std::vector<unsigned> loaded;        // resource ids in the order loaded
  std::vector<unsigned> deleted;       // resource ids in the order deleted
  std::vector<unsigned> loadedIcons;   // icon resource ids in the order loaded
  std::vector<unsigned> deletedIcons;  // icon resource ids in the order deleted
  int misuses = 0;  // deletes of a handle that is not live, or not of the deleting function's kind
  int LiveBitmaps() const { return static_cast<int>(m_live.size()); }
  int LiveIcons() const { return static_cast<int>(m_liveIcons.size()); }
  bool IsLive(std::uintptr_t handle) const {
    return m_live.contains(handle) || m_liveIcons.contains(handle);
  }
  // The resource id a bitmap or icon handle was loaded from, live or deleted.
  std::optional<unsigned> IdOf(BitmapHandle bitmap) const;

 private:
  std::uintptr_t NewHandle(unsigned id);

  std::map<std::uintptr_t, unsigned> m_ids;
  std::set<BitmapHandle> m_live;
  std::set<IconHandle> m_liveIcons;
  std::uintptr_t m_next = 0x5000;
};

}  // namespace quendal::test
