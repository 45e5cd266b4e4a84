// The scales at which the program's pictures exist (100, 125, 150 and 200 %), the one a window's
// DPI picks, and the resource of a picture at a scale.
#pragma once

#include <array>
#include <string>

#include "resource_ids.h"

namespace quendal {

enum class PictureScale { k100, k125, k150, k200 };

struct PictureScaleInfo {
  PictureScale scale;
  int dpi;                // the DPI the pictures of this scale are drawn for
  unsigned idOffset;      // added to a numbered picture's id
  const wchar_t* suffix;  // appended to a named picture's name
};

inline constexpr std::array<PictureScaleInfo, 4> kPictureScales{{
    {PictureScale::k100, 96, 0, L""},
    {PictureScale::k125, 120, IDB_SCALE_OFFSET_125, L"_125"},
    {PictureScale::k150, 144, IDB_SCALE_OFFSET_150, L"_150"},
    {PictureScale::k200, 192, IDB_SCALE_OFFSET_200, L"_200"},
}};

inline constexpr const PictureScaleInfo& InfoOf(PictureScale scale) {
  return kPictureScales[static_cast<std::size_t>(scale)];
}

// The scale drawn for the DPI nearest `dpi`; halfway between two, the larger, whose picture
// loses less when the system fits it to its control. Beyond 200 % the largest; an unknown DPI
// (zero or less) the 100 % one.
constexpr PictureScale PictureScaleForDpi(int dpi) {
  if (dpi <= 0) return PictureScale::k100;
  PictureScale nearest = PictureScale::k100;
  int nearestDistance = -1;
  for (const PictureScaleInfo& info : kPictureScales) {
    const int distance = dpi > info.dpi ? dpi - info.dpi : info.dpi - dpi;
    if (nearestDistance < 0 || distance <= nearestDistance) {
      nearest = info.scale;
      nearestDistance = distance;
    }
  }
  return nearest;
}

// The resource id of numbered picture `id` at `scale`.
constexpr unsigned ScaledPictureId(unsigned id, PictureScale scale) {
  return id + InfoOf(scale).idOffset;
}

// The resource name of named picture `name` at `scale`.
inline std::wstring ScaledPictureName(const std::wstring& name, PictureScale scale) {
  return name + InfoOf(scale).suffix;
}

}  // namespace quendal
