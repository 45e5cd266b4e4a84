// The surround test (mode 3): with the effects filter on and the driver's speaker test started,
// a looping sound circles the listener while a red dot circles on the pad, placed from the time
// elapsed since the start (SurroundMotion.h) on the window's 0 ms timer.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <utility>

#include "device/ControlChannel.h"
#include "platform/DialogWindow.h"
#include "platform/Pad.h"
#include "platform/Sound.h"
#include "platform/System.h"
#include "speakertest/SurroundMotion.h"

namespace quendal {

// Where the dot was last drawn on the pad and the colours it covered, kInvalidColour where
// nothing was saved. One per process, owned by the program and handed to the speaker-test
// window: it outlives every hiding of the window, so the first dot of a later test erases the
// dot that the previous test left on the pad.
struct SurroundDotGlobals {
  PadPoint g_ptDot;
  std::array<Colour, kDotPixels> g_crSaved = InvalidColours();

 private:
  static constexpr std::array<Colour, kDotPixels> InvalidColours() {
    std::array<Colour, kDotPixels> colours{};
    colours.fill(kInvalidColour);
    return colours;
  }
};

class CSurroundTest {
 public:
  // `device` is the window's channel, open while the window is shown; `showRequestFailure` is
  // the window's message for a refused driver request.
  CSurroundTest(DialogWindow& window, ControlChannel& device, Sound& sound, Pad& pad,
                const System& clock, SurroundDotGlobals& dot,
                std::function<void()> showRequestFailure)
      : m_window(window),
        m_device(device),
        m_sound(sound),
        m_pad(pad),
        m_clock(clock),
        m_dot(dot),
        m_showRequestFailure(std::move(showRequestFailure)) {}

  // Nothing starts without a channel or when the filter-on is refused.
  void StartSurround();
  // A refused filter-off leaves the sound and the driver's test running, for the next start or
  // the window's closing to replace; the motion stops in every case.
  void StopSurround();
  // Stops the motion timer: the dot stays where it is.
  void EndMotion();
  // One tick of ID_TIMER_SURROUND.
  void OnMotionTick();
  // Erases the previous dot on the pad and draws the one of source position (sx, sy).
  void DrawSourceDot(float sx, float sy);

  // The clock (milliseconds) at the start.
  std::uint32_t m_dwStartTime = 0;

 private:
  void EraseSourceDot(DrawingContext context);
  void PaintSourceDot(DrawingContext context, PadPoint centre);

  DialogWindow& m_window;
  ControlChannel& m_device;
  Sound& m_sound;
  Pad& m_pad;
  const System& m_clock;
  SurroundDotGlobals& m_dot;
  std::function<void()> m_showRequestFailure;
};

}  // namespace quendal
