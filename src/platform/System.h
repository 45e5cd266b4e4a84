// Port onto the system: the executable's path, the system version, waiting and the clock.
#pragma once

#include <cstdint>
#include <string>

namespace quendal {

class System {
 public:
  virtual ~System() = default;
  virtual std::string ExecutablePath() const = 0;   // full path of the running executable (ANSI)
  virtual unsigned MajorVersion() const = 0;        // low byte of GetVersion()
  virtual void Sleep(unsigned milliseconds) = 0;
  virtual std::uint32_t Milliseconds() const = 0;   // timeGetTime()
};

}  // namespace quendal
