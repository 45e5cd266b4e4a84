// The system services over GetModuleFileNameW, GetVersion, Sleep and timeGetTime.
#pragma once

#include "platform/System.h"

namespace quendal {

class Win32System : public System {
 public:
  std::wstring ExecutablePath() const override;
  unsigned MajorVersion() const override;
  void Sleep(unsigned milliseconds) override;
  std::uint32_t Milliseconds() const override;
};

}  // namespace quendal
