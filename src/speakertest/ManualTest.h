// The manual test (mode 2): the user holds the left mouse button on a speaker's picture and
// that speaker's tone sounds while the button is held and the pointer stays on the picture. The
// window hands it its own mouse messages (the pictures are transparent to the mouse) only while
// mode 2 is chosen, except the release and the moves, which end a press in any mode.
#pragma once

#include <array>

#include "platform/DialogWindow.h"
#include "speakertest/SpeakerBoard.h"

namespace quendal {

// Hit rectangles in the window's client coordinates: front left, centre, front right, rear
// left, rear right, subwoofer.
using SpeakerRects = std::array<Rect, kSpeakerCount>;

class CManualTest {
 public:
  CManualTest(const SpeakerRects& rcSpeaker, CSpeakerBoard& speakers)
      : m_rcSpeaker(rcSpeaker), m_speakers(speakers) {}

  // The button went down at (x, y): each picture that contains the point, column by column,
  // turns active and sounds, the last one found staying pressed.
  void Press(int x, int y);
  // The button came up: the pressed speaker falls silent.
  void Release();
  // The pointer moved to (x, y): leaving the pressed picture is a release.
  void Move(int x, int y);

  // The speaker code held down, 0 when none.
  int m_nPressed = 0;

 private:
  void ReleasePressedSpeaker();

  const SpeakerRects& m_rcSpeaker;
  CSpeakerBoard& m_speakers;
};

}  // namespace quendal
