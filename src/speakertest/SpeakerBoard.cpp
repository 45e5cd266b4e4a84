#include "speakertest/SpeakerBoard.h"

namespace quendal {

void CSpeakerBoard::ShowSpeaker(int code, bool active) {
  const Speaker& speaker = SpeakerOfCode(code);
  const SpeakerBitmaps& pictures = m_pictures[speaker.bitmapSlot];
  m_active[static_cast<std::size_t>(code - 1)] = active;
  m_window.SetControlBitmap(speaker.control, active ? pictures.active : pictures.normal);
}

void CSpeakerBoard::ShowEverySpeaker() {
  for (const Speaker& speaker : kSpeakers) {
    ShowSpeaker(speaker.code, m_active[static_cast<std::size_t>(speaker.code - 1)]);
  }
}

void CSpeakerBoard::PlayTone(int code) { m_sound.PlayResource(SpeakerOfCode(code).tone, true); }

}  // namespace quendal
