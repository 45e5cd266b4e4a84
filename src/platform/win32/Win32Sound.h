// The program's WAVE resources through the system's sound service (PlaySoundW, sndPlaySoundW).
#pragma once

#include "platform/Sound.h"

namespace quendal {

class Win32Sound : public Sound {
 public:
  void PlayResource(unsigned waveId, bool loop) override;
  void LoopResourceFromMemory(unsigned waveId) override;
  void StopAll() override;
  void StopMemorySound() override;
};

}  // namespace quendal
