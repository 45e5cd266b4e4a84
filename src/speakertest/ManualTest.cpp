#include "speakertest/ManualTest.h"

namespace quendal {

namespace {

// Column by column: front left, rear left; centre, subwoofer; front right, rear right.
constexpr int kHitTestOrder[] = {1, 6, 2, 5, 3, 4};

// Edges belong to the rectangle.
bool Contains(const Rect& rect, int x, int y) {
  return rect.left <= x && x <= rect.right && rect.top <= y && y <= rect.bottom;
}

}  // namespace

void CManualTest::Press(int x, int y) {
  for (int code : kHitTestOrder) {
    if (!Contains(m_rcSpeaker[SpeakerOfCode(code).rectSlot], x, y)) continue;
    m_speakers.ShowSpeaker(code, true);
    m_nPressed = code;
    m_speakers.PlayTone(code);
  }
}

void CManualTest::Release() {
  if (m_nPressed != 0) ReleasePressedSpeaker();
}

// The window does not capture the mouse: a button released outside it leaves the tone on until
// the pointer comes back beside the picture or a button-up reaches the window.
void CManualTest::Move(int x, int y) {
  if (m_nPressed != 0 && !Contains(m_rcSpeaker[SpeakerOfCode(m_nPressed).rectSlot], x, y)) {
    ReleasePressedSpeaker();
  }
}

void CManualTest::ReleasePressedSpeaker() {
  m_speakers.StopAllSound();
  m_speakers.ShowSpeaker(m_nPressed, false);
  m_nPressed = 0;
}

}  // namespace quendal
