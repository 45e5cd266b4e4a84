// The program's bitmap resources in memory: every load gives a new handle that remembers its
// resource id, loads of chosen ids fail, and live handles are counted so that tests can prove
// that every bitmap is deleted exactly once.
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

  // Script.
  std::set<unsigned> refusedIds;

  // Observations.
  std::vector<unsigned> loaded;   // resource ids in the order loaded
  std::vector<unsigned> deleted;  // resource ids in the order deleted
  int misuses = 0;                // deletes of a handle that is not live
  int LiveBitmaps() const { return static_cast<int>(m_live.size()); }
  // The resource id a handle was loaded from, live or deleted.
  std::optional<unsigned> IdOf(BitmapHandle bitmap) const;

 private:
  std::map<BitmapHandle, unsigned> m_ids;
  std::set<BitmapHandle> m_live;
  BitmapHandle m_next = 0x5000;
};

}  // namespace quendal::test
