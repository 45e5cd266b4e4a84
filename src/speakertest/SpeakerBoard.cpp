#include "speakertest/SpeakerBoard.h"

namespace quendal {

void CSpeakerBoard::ShowSpeaker(int code, bool active) {
  const Speaker& speaker = SpeakerOfCode(code);
  const SpeakerBitmaps& pictures = m_pictures[speaker.bitmapSlot];
  m_window.SetControlBitmap(speaker.control, active ? pictures.active : pictures.normal);
}

void CSpeakerBoard::PlayTone(int code) { m_sound.PlayResource(SpeakerOfCode(code).tone, true); }

}  // namespace quendal
