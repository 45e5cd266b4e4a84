// The six speakers of the test window. Speaker codes run clockwise from the front left and
// index both the automatic sequence and the manual test.
#pragma once

#include <array>
#include <cstddef>

#include "resource_ids.h"

namespace quendal {

inline constexpr int kSpeakerCount = 6;

struct Speaker {
  int code;
  int control;
  unsigned normalBitmap;
  unsigned activeBitmap;
  unsigned tone;           // WAVE resource, played looped
  std::size_t bitmapSlot;  // index in SpeakerPictures (m_hbmSpeaker)
  std::size_t rectSlot;    // index in SpeakerRects (m_rcSpeaker)
};

// By speaker code: kSpeakers[code - 1].
inline constexpr std::array<Speaker, kSpeakerCount> kSpeakers{{
    {1, IDC_SPEAKER_FRONT_LEFT, IDB_FRONT_LEFT, IDB_FRONT_LEFT_ACTIVE, IDW_TONE_FRONT_LEFT, 0, 0},
    {2, IDC_SPEAKER_CENTER, IDB_CENTER, IDB_CENTER_ACTIVE, IDW_TONE_CENTER, 2, 1},
    {3, IDC_SPEAKER_FRONT_RIGHT, IDB_FRONT_RIGHT, IDB_FRONT_RIGHT_ACTIVE, IDW_TONE_FRONT_RIGHT, 1,
     2},
    {4, IDC_SPEAKER_REAR_RIGHT, IDB_REAR_RIGHT, IDB_REAR_RIGHT_ACTIVE, IDW_TONE_REAR_RIGHT, 5, 4},
    {5, IDC_SPEAKER_SUBWOOFER, IDB_SUBWOOFER, IDB_SUBWOOFER_ACTIVE, IDW_TONE_SUBWOOFER, 3, 5},
    {6, IDC_SPEAKER_REAR_LEFT, IDB_REAR_LEFT, IDB_REAR_LEFT_ACTIVE, IDW_TONE_REAR_LEFT, 4, 3},
}};

inline constexpr const Speaker& SpeakerOfCode(int code) {
  return kSpeakers[static_cast<std::size_t>(code - 1)];
}

// The speaker shown by picture control `control`; nullptr for any other control.
inline constexpr const Speaker* SpeakerOfControl(int control) {
  for (const Speaker& speaker : kSpeakers) {
    if (speaker.control == control) return &speaker;
  }
  return nullptr;
}

inline constexpr const Speaker& SpeakerInBitmapSlot(std::size_t slot) {
  for (const Speaker& speaker : kSpeakers) {
    if (speaker.bitmapSlot == slot) return speaker;
  }
  return kSpeakers[0];
}

// Every slot of the window's bitmap and rectangle arrays belongs to exactly one speaker.
inline constexpr bool SlotsArePermutations() {
  for (std::size_t slot = 0; slot < kSpeakers.size(); ++slot) {
    int bitmapOwners = 0;
    int rectOwners = 0;
    for (const Speaker& speaker : kSpeakers) {
      bitmapOwners += speaker.bitmapSlot == slot ? 1 : 0;
      rectOwners += speaker.rectSlot == slot ? 1 : 0;
    }
    if (bitmapOwners != 1 || rectOwners != 1) return false;
  }
  return true;
}
static_assert(SlotsArePermutations());

}  // namespace quendal
