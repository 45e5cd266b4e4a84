// The surround test: a looping sound with the driver's speaker test running, and a dot that
// circles the listener on the pad, placed from the time elapsed since the start.
#include "speakertest/SurroundMotion.h"

#include <cmath>

#include "platform/WindowsValues.h"
#include "resource_ids.h"
#include "speakertest/SpeakerTestDlg.h"

namespace quendal {

namespace {

constexpr double kMsPerQuarterTurn = 1877.5;
constexpr float kSourceRadius = 4.0f;
// About 3.38 ms of each 7.51 s revolution.
constexpr double kResynchroniseWindow = 0.00045;
constexpr Colour kDotColour = 0x000000FF;
// The shortest interval the platform's window timer gives.
constexpr unsigned kMotionPeriodMs = 0;

}  // namespace

SourcePosition SourceAt(double elapsedMs) {
  const double quarterTurn = std::asin(1.0);
  const double theta = elapsedMs / (kMsPerQuarterTurn / quarterTurn);
  const float thetaSingle = static_cast<float>(theta);
  SourcePosition position;
  position.sx = static_cast<float>(std::sin(theta) * kSourceRadius);
  position.sy = static_cast<float>(std::cos(theta) * kSourceRadius);
  const double revolutions = thetaSingle / quarterTurn * 0.25;
  position.resynchronise = revolutions - std::trunc(revolutions) < kResynchroniseWindow;
  return position;
}

// Each step is rounded to single precision, so that a source a hair left of the front still maps
// to the centre column on every target.
PadPoint DotOnPad(float sx, float sy, const Rect& client) {
  const float width = static_cast<float>(client.left + client.right);
  const float height = static_cast<float>(client.top + client.bottom);
  const float right = sx * 0.25f + 1.0f;
  const float down = 1.0f - sy * 0.25f;
  const float x = width * right * 0.5f;
  const float y = down * height * 0.5f;
  return {static_cast<int>(x), static_cast<int>(y)};
}

std::array<PadPoint, kDotPixels> DotPixels(PadPoint c) {
  return {{{c.x - 1, c.y},
           {c.x, c.y - 1},
           {c.x, c.y},
           {c.x, c.y + 1},
           {c.x + 1, c.y},
           {c.x + 1, c.y - 1},
           {c.x + 1, c.y + 1},
           {c.x - 1, c.y + 1},
           {c.x - 1, c.y - 1}}};
}

void CSpeakerTestDlg::StartSurround() {
  if (!m_hDevice.IsOpen()) return;
  if (!m_hDevice.Send(IOCTL_FILTER_ENABLE)) {
    ShowRequestFailure();
    return;
  }
  if (!m_hDevice.Send(IOCTL_SPEAKER_TEST_START)) ShowRequestFailure();
  m_sound.LoopResourceFromMemory(IDW_SURROUND);
  m_dwStartTime = m_clock.Milliseconds();
  Window()->SetTimer(IDT_SURROUND, kMotionPeriodMs);
}

// A refused filter-off leaves the test running; the next press tries the stop again.
void CSpeakerTestDlg::StopSurround() {
  if (!m_hDevice.IsOpen()) return;
  if (!m_hDevice.Send(IOCTL_FILTER_DISABLE)) {
    ShowRequestFailure();
    return;
  }
  m_sound.StopAll();
  m_sound.StopMemorySound();
  if (!m_hDevice.Send(IOCTL_SPEAKER_TEST_STOP)) ShowRequestFailure();
  Window()->KillTimer(IDT_SURROUND);
}

// The position follows the clock, not the number of ticks, so the speed does not depend on how
// often the timer fires.
void CSpeakerTestDlg::OnMotionTick() {
  // Unsigned: a wrap of the millisecond counter during a test does not disturb the motion.
  const std::uint32_t elapsed = m_clock.Milliseconds() - m_dwStartTime;
  const SourcePosition source = SourceAt(static_cast<double>(elapsed));
  // Keeps the driver's test in step with the dot; a refusal here is not worth a message box
  // every revolution.
  if (source.resynchronise && m_hDevice.IsOpen()) m_hDevice.Send(IOCTL_SPEAKER_TEST_START);
  DrawSourceDot(source.sx, source.sy);
}

// Touches only the nine pixels of the old dot and the nine of the new one: the tick runs as often
// as the platform allows.
void CSpeakerTestDlg::DrawSourceDot(float sx, float sy) {
  const WindowId window = Window()->Id();
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
void CSpeakerTestDlg::EraseSourceDot(DrawingContext context) {
  const std::array<PadPoint, kDotPixels> pixels = DotPixels(m_dot.g_ptDot);
  for (std::size_t i = 0; i < kDotPixels; ++i) {
    if (m_dot.g_crSaved[i] == kInvalidColour) continue;
    m_pad.SetPixel(context, pixels[i].x, pixels[i].y, m_dot.g_crSaved[i]);
  }
}

void CSpeakerTestDlg::PaintSourceDot(DrawingContext context, PadPoint centre) {
  m_dot.g_ptDot = centre;
  const std::array<PadPoint, kDotPixels> pixels = DotPixels(centre);
  for (std::size_t i = 0; i < kDotPixels; ++i) {
    m_dot.g_crSaved[i] = m_pad.GetPixel(context, pixels[i].x, pixels[i].y);
  }
  for (const PadPoint& pixel : pixels) m_pad.SetPixel(context, pixel.x, pixel.y, kDotColour);
}

}  // namespace quendal
