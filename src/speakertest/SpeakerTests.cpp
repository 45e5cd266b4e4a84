// The tests that sound one speaker at a time: the automatic sequence and the manual test.
#include "speakertest/SpeakerTestDlg.h"

namespace quendal {

namespace {

constexpr unsigned kSequencePeriodMs = 100;
constexpr int kTicksPerSpeaker = 10;
constexpr int kTicksPerCycle = kTicksPerSpeaker * kSpeakerCount;
// m_nStep of the speaker that sounds: code + 1.
constexpr int kFirstSoundingStep = 2;
constexpr int kLastSoundingStep = kSpeakerCount + 1;

// The manual test looks column by column: front left, rear left; centre, subwoofer; front
// right, rear right.
constexpr int kHitTestOrder[] = {1, 6, 2, 5, 3, 4};

bool IsSoundingStep(int step) { return step >= kFirstSoundingStep && step <= kLastSoundingStep; }

// Edges belong to the rectangle.
bool Contains(const Rect& rect, int x, int y) {
  return rect.left <= x && x <= rect.right && rect.top <= y && y <= rect.bottom;
}

}  // namespace

void CSpeakerTestDlg::StartSequence() {
  Window()->SetTimer(IDT_SEQUENCE, kSequencePeriodMs);
  if (IsSoundingStep(m_nStep)) ShowSpeaker(m_nStep - 1, false);
  m_nStep = 1;
  m_nTick = 0;
}

void CSpeakerTestDlg::StopSequence() {
  if (IsSoundingStep(m_nStep)) ShowSpeaker(m_nStep - 1, false);
  m_nTick = 0;
  Window()->KillTimer(IDT_SEQUENCE);
  m_nStep = 0;
  m_sound.StopAll();
}

// Every tenth tick starts the next speaker's tone; in between the sounding speaker's picture
// blinks, active on even ticks.
void CSpeakerTestDlg::OnSequenceTick() {
  if (m_nStep == 0) return;
  if (IsSoundingStep(m_nStep)) ShowSpeaker(m_nStep - 1, m_nTick % 2 == 0);
  if (m_nTick % kTicksPerSpeaker == 0) {
    if (m_nStep == 1) {
      PlayTone(1);
    } else if (m_nStep >= kFirstSoundingStep && m_nStep <= kSpeakerCount) {
      PlayTone(m_nStep);
      ShowSpeaker(m_nStep - 1, false);
    }
    ++m_nStep;
  }
  if (++m_nTick == kTicksPerCycle) {
    m_nTick = 0;
    m_nStep = 1;
    ShowSpeaker(kSpeakerCount, false);
  }
}

void CSpeakerTestDlg::OnLButtonDown(int x, int y) {
  if (m_dwTestMode != ModeManual) return;
  for (int code : kHitTestOrder) {
    if (!Contains(m_rcSpeaker[SpeakerOfCode(code).rectSlot], x, y)) continue;
    ShowSpeaker(code, true);
    m_nPressed = code;
    PlayTone(code);
  }
}

void CSpeakerTestDlg::OnLButtonUp(int /*x*/, int /*y*/) {
  if (m_nPressed != 0) ReleasePressedSpeaker();
}

// The window does not capture the mouse: a button released outside it leaves the tone on until
// the pointer comes back beside the picture or a button-up reaches the window.
void CSpeakerTestDlg::OnMouseMove(int x, int y) {
  if (m_nPressed != 0 && !Contains(m_rcSpeaker[SpeakerOfCode(m_nPressed).rectSlot], x, y)) {
    ReleasePressedSpeaker();
  }
}

void CSpeakerTestDlg::ReleasePressedSpeaker() {
  m_sound.StopAll();
  ShowSpeaker(m_nPressed, false);
  m_nPressed = 0;
}

void CSpeakerTestDlg::ShowSpeaker(int code, bool active) {
  const Speaker& speaker = SpeakerOfCode(code);
  const SpeakerBitmaps& pictures = m_hbmSpeaker[speaker.bitmapSlot];
  Window()->SetControlBitmap(speaker.control, active ? pictures.active : pictures.normal);
}

void CSpeakerTestDlg::PlayTone(int code) { m_sound.PlayResource(SpeakerOfCode(code).tone, true); }

}  // namespace quendal
