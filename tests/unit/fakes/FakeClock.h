// A settable millisecond clock behind the system port; waiting moves it on.
#pragma once

#include <cstdint>
#include <string>

#include "platform/System.h"

namespace quendal::test {

class FakeClock : public System {
 public:
  std::wstring ExecutablePath() const override { return {}; }
  unsigned MajorVersion() const override { return 5; }
  void Sleep(unsigned milliseconds) override { now += milliseconds; }
  std::uint32_t Milliseconds() const override { return now; }

  std::uint32_t now = 0;
};

}  // namespace quendal::test
