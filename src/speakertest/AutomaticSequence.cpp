#include "speakertest/AutomaticSequence.h"

#include "resource_ids.h"

namespace quendal {

namespace {

constexpr unsigned kSequencePeriodMs = 100;
constexpr int kTicksPerSpeaker = 10;
constexpr int kTicksPerCycle = kTicksPerSpeaker * kSpeakerCount;
// m_nStep of the speaker that sounds: code + 1.
constexpr int kFirstSoundingStep = 2;
constexpr int kLastSoundingStep = kSpeakerCount + 1;

bool IsSoundingStep(int step) { return step >= kFirstSoundingStep && step <= kLastSoundingStep; }

}  // namespace

void CAutomaticSequence::StartSequence() {
  m_window.SetTimer(ID_TIMER_SEQUENCE, kSequencePeriodMs);
  if (IsSoundingStep(m_nStep)) m_speakers.ShowSpeaker(m_nStep - 1, false);
  m_nStep = 1;
  m_nTick = 0;
}

void CAutomaticSequence::StopSequence() {
  if (IsSoundingStep(m_nStep)) m_speakers.ShowSpeaker(m_nStep - 1, false);
  m_nTick = 0;
  m_window.KillTimer(ID_TIMER_SEQUENCE);
  m_nStep = 0;
  m_speakers.StopAllSound();
}

// Every tenth tick starts the next speaker's tone; in between the sounding speaker's picture
// blinks, active on even ticks.
void CAutomaticSequence::OnSequenceTick() {
  if (m_nStep == 0) return;
  if (IsSoundingStep(m_nStep)) m_speakers.ShowSpeaker(m_nStep - 1, m_nTick % 2 == 0);
  if (m_nTick % kTicksPerSpeaker == 0) {
    if (m_nStep == 1) {
      m_speakers.PlayTone(1);
    } else if (m_nStep >= kFirstSoundingStep && m_nStep <= kSpeakerCount) {
      m_speakers.PlayTone(m_nStep);
      m_speakers.ShowSpeaker(m_nStep - 1, false);
    }
    ++m_nStep;
  }
  if (++m_nTick == kTicksPerCycle) {
    m_nTick = 0;
    m_nStep = 1;
    m_speakers.ShowSpeaker(kSpeakerCount, false);
  }
}

}  // namespace quendal
