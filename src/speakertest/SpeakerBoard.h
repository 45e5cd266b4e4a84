// The six speakers as the automatic sequence and the manual test use them: per speaker code, a
// picture to switch between normal and active and a test tone to play.
#pragma once

#include <array>

#include "platform/DialogWindow.h"
#include "platform/Sound.h"
#include "speakertest/Speakers.h"

namespace quendal {

// The pictures of one speaker, as the window loads them at its first opening.
struct SpeakerBitmaps {
  BitmapHandle active = 0;
  BitmapHandle normal = 0;
};

// By bitmap slot: front left, front right, centre, subwoofer, rear left, rear right.
using SpeakerPictures = std::array<SpeakerBitmaps, kSpeakerCount>;

class CSpeakerBoard {
 public:
  CSpeakerBoard(DialogWindow& window, const SpeakerPictures& pictures, Sound& sound)
      : m_window(window), m_pictures(pictures), m_sound(sound) {}

  // Gives the speaker's picture control its active or normal picture; nothing else is redrawn.
  void ShowSpeaker(int code, bool active);
  // Gives every speaker's control the picture it last showed, from the pictures now loaded (the
  // normal one where none was shown yet): for when they have been loaded again at another
  // scale.
  void ShowEverySpeaker();
  // Loops the speaker's test tone, which ends whatever the program was playing.
  void PlayTone(int code);
  void StopAllSound() { m_sound.StopAll(); }

 private:
  DialogWindow& m_window;
  const SpeakerPictures& m_pictures;
  Sound& m_sound;
  // By speaker code less one: whether the active picture was the last one shown.
  std::array<bool, kSpeakerCount> m_active{};
};

}  // namespace quendal
