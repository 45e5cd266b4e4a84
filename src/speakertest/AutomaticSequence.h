// The automatic test (mode 1): after Start a tone on one speaker at a time, clockwise from the
// front left, one second each, while that speaker's picture blinks; the six-second cycle repeats
// until Stop. It runs on the window's 100 ms timer and sends nothing to the driver.
#pragma once

#include "platform/DialogWindow.h"
#include "speakertest/SpeakerBoard.h"

namespace quendal {

class CAutomaticSequence {
 public:
  CAutomaticSequence(DialogWindow& window, CSpeakerBoard& speakers)
      : m_window(window), m_speakers(speakers) {}

  // Starts the timer and the cycle from its beginning; a picture left active goes back to normal.
  void StartSequence();
  // Stops the timer and the tone and puts the sounding speaker's picture back to normal.
  void StopSequence();
  // One tick of ID_TIMER_SEQUENCE; a tick that arrives after the stop does nothing.
  void OnSequenceTick();

  // 0 idle, 1 about to start, 2 to 7 sounding speaker code m_nStep - 1.
  int m_nStep = 0;
  // 100 ms ticks of the cycle, 0 to 59.
  int m_nTick = 0;

 private:
  DialogWindow& m_window;
  CSpeakerBoard& m_speakers;
};

}  // namespace quendal
