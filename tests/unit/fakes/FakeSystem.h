// A settable system: where the program runs from, the Windows version, and a clock that only
// moves when the program sleeps or a test advances it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/System.h"

namespace quendal::test {

class FakeSystem : public System {
 public:
  std::wstring ExecutablePath() const override { return executablePath; }
  unsigned MajorVersion() const override { return majorVersion; }
  void Sleep(unsigned milliseconds) override {
    sleeps.push_back(milliseconds);
    clock += milliseconds;
    if (whileSleeping) whileSleeping();
  }
  std::uint32_t Milliseconds() const override { return clock; }

  std::wstring executablePath = L"C:\\Program Files\\Quendal\\QuendalPanel.exe";
  unsigned majorVersion = 5;  // Windows 2000 and XP
  std::uint32_t clock = 0;
  std::vector<unsigned> sleeps;         // every Sleep, in order
  std::function<void()> whileSleeping;  // what happens elsewhere during a Sleep
};

}  // namespace quendal::test
