// Pixel constants of the windows are given at 96 DPI; the program scales each by the DPI of the
// window it is placed in.
#pragma once

#include "platform/DialogWindow.h"

namespace quendal {

// The DPI at which every pixel constant of the program is given.
constexpr int kBaseDpi = 96;

// `value` pixels at 96 DPI as pixels at `dpi`, rounded to the nearest pixel with halves away
// from zero, as the system's MulDiv rounds; a DPI of zero or less (unknown) leaves it unscaled.
constexpr int ScaleForDpi(int value, int dpi) {
  if (dpi <= 0) return value;
  const long long product = static_cast<long long>(value) * dpi;
  const long long half = kBaseDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kBaseDpi
                                       : -((-product + half) / kBaseDpi));
}

// Scales 96-DPI pixel constants for one window's DPI.
class DpiScale {
 public:
  explicit DpiScale(int dpi) : m_dpi(dpi > 0 ? dpi : kBaseDpi) {}
  explicit DpiScale(const DialogWindow& window) : DpiScale(window.GetDpi()) {}

  int Dpi() const { return m_dpi; }
  int operator()(int value) const { return ScaleForDpi(value, m_dpi); }

 private:
  int m_dpi;
};

}  // namespace quendal
