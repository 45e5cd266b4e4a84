// Port onto the few system services the program asks of Windows directly: where it runs
// from, which version of Windows it runs on, waiting and the millisecond clock.
#pragma once

#include <cstdint>
#include <string>

namespace quendal {

class System {
 public:
  virtual ~System() = default;

  // Full path of the running executable, whatever characters its folders hold; empty when it
  // cannot be had.
  virtual std::wstring ExecutablePath() const = 0;
  // Low byte of GetVersion(): 4 for Windows 95/98/Me/NT 4, 5 for 2000/XP, ...
  virtual unsigned MajorVersion() const = 0;
  virtual void Sleep(unsigned milliseconds) = 0;
  // timeGetTime(): milliseconds since Windows started, wrapping at 2^32.
  virtual std::uint32_t Milliseconds() const = 0;
};

}  // namespace quendal
