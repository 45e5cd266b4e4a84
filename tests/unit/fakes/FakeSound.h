// Records what the program asked the sound service to do, in order.
#pragma once

#include <string>
#include <vector>

#include "platform/Sound.h"

namespace quendal::test {

class FakeSound : public Sound {
 public:
  void PlayResource(unsigned waveId, bool loop) override {
    log.push_back((loop ? "loop " : "play ") + std::to_string(waveId));
  }
  void LoopResourceFromMemory(unsigned waveId) override {
    log.push_back("loop-memory " + std::to_string(waveId));
  }
  void StopAll() override { log.push_back("stop"); }
  void StopMemorySound() override { log.push_back("stop-memory"); }

  std::vector<std::string> log;
};

}  // namespace quendal::test
