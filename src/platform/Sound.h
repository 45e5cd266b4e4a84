// Port onto the program's sound output: its own WAVE resources, played asynchronously by the
// system's sound service. Starting a sound replaces the one that plays.
#pragma once

namespace quendal {

class Sound {
 public:
  virtual ~Sound() = default;

  // PlaySound of a WAVE resource of the program (SND_RESOURCE | SND_ASYNC, and SND_LOOP when
  // `loop`).
  virtual void PlayResource(unsigned waveId, bool loop) = 0;
  // sndPlaySound of a WAVE resource's image in memory, looped (SND_ASYNC | SND_NODEFAULT |
  // SND_MEMORY | SND_LOOP).
  virtual void LoopResourceFromMemory(unsigned waveId) = 0;
  // PlaySound with no sound and SND_PURGE: stops whatever the program plays.
  virtual void StopAll() = 0;
  // sndPlaySound with no sound and no flags: stops a sound started from memory.
  virtual void StopMemorySound() = 0;
};

}  // namespace quendal
