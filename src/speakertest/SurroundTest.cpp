#include "speakertest/SurroundTest.h"

#include "resource_ids.h"

namespace quendal {

namespace {

constexpr Colour kDotColour = 0x000000FF;
// The shortest interval the platform's window timer gives.
constexpr unsigned kMotionPeriodMs = 0;

}  // namespace

void CSurroundTest::StartSurround() {
  if (!m_device.IsOpen()) return;
  if (!m_device.Send(IOCTL_FILTER_ENABLE)) {
    m_showRequestFailure();
    return;
  }
  if (!m_device.Send(IOCTL_SPEAKER_TEST_START)) m_showRequestFailure();
  m_sound.LoopResourceFromMemory(IDW_SURROUND);
  m_dwStartTime = m_clock.Milliseconds();
  m_window.SetTimer(ID_TIMER_SURROUND, kMotionPeriodMs);
}

void CSurroundTest::StopSurround() {
  if (!m_device.IsOpen()) return;
  if (!m_device.Send(IOCTL_FILTER_DISABLE)) {
    m_showRequestFailure();
    EndMotion();
    return;
  }
  m_sound.StopAll();
  m_sound.StopMemorySound();
  if (!m_device.Send(IOCTL_SPEAKER_TEST_STOP)) m_showRequestFailure();
  EndMotion();
}

void CSurroundTest::EndMotion() { m_window.KillTimer(ID_TIMER_SURROUND); }

// The position follows the clock, not the number of ticks, so the speed does not depend on how
// often the timer fires.
void CSurroundTest::OnMotionTick() {
  // Unsigned: a wrap of the millisecond counter during a test does not disturb the motion.
  const std::uint32_t elapsed = m_clock.Milliseconds() - m_dwStartTime;
  const SourcePosition source = SourceAt(static_cast<double>(elapsed));
  // Keeps the driver's test in step with the dot; a refusal here is not worth a message box
  // every revolution.
  if (source.resynchronise && m_device.IsOpen()) m_device.Send(IOCTL_SPEAKER_TEST_START);
  DrawSourceDot(source.sx, source.sy);
}

// Touches only the nine pixels of the old dot and the nine of the new one: the tick runs as often
// as the platform allows.
void CSurroundTest::DrawSourceDot(float sx, float sy) {
  const WindowId window = m_window.Id();
  const DrawingContext context = m_pad.GetControlContext(window, IDC_SURROUND_PAD);
  if (context == 0) return;
  // Until the pending repaint has run, the pad's pixels are not what will be shown, so they are
  // neither saved nor drawn over.
  if (!m_pad.HasPendingRepaint(window)) {
    EraseSourceDot(context);
    PaintSourceDot(context, DotOnPad(sx, sy, m_pad.GetControlClientRect(window, IDC_SURROUND_PAD)));
  }
  m_pad.ReleaseControlContext(window, IDC_SURROUND_PAD, context);
}

// A saved colour that reads as invalid was outside the visible pad and is skipped alone: the rest
// of that dot is still erased, so that a dot on the pad's left edge leaves no trail.
void CSurroundTest::EraseSourceDot(DrawingContext context) {
  const std::array<PadPoint, kDotPixels> pixels = DotPixels(m_dot.g_ptDot);
  for (std::size_t i = 0; i < kDotPixels; ++i) {
    if (m_dot.g_crSaved[i] == kInvalidColour) continue;
    m_pad.SetPixel(context, pixels[i].x, pixels[i].y, m_dot.g_crSaved[i]);
  }
}

void CSurroundTest::PaintSourceDot(DrawingContext context, PadPoint centre) {
  m_dot.g_ptDot = centre;
  const std::array<PadPoint, kDotPixels> pixels = DotPixels(centre);
  for (std::size_t i = 0; i < kDotPixels; ++i) {
    m_dot.g_crSaved[i] = m_pad.GetPixel(context, pixels[i].x, pixels[i].y);
  }
  for (const PadPoint& pixel : pixels) m_pad.SetPixel(context, pixel.x, pixel.y, kDotColour);
}

}  // namespace quendal
