#include "fakes/FakePad.h"

#include <algorithm>

namespace quendal::test {

FakePad::FakePad(int width, int height)
    : m_width(width), m_height(height), m_pixels(static_cast<std::size_t>(width * height)) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      m_pixels[static_cast<std::size_t>(y * width + x)] = Background(x, y);
    }
  }
}

DrawingContext FakePad::GetControlContext(WindowId, int id) {
  contextControls.push_back(id);
  if (refuseContext) return 0;
  const DrawingContext context = m_next;
  m_next += 4;
  m_open.insert(context);
  return context;
}

void FakePad::ReleaseControlContext(WindowId, int, DrawingContext context) {
  if (m_open.erase(context) == 0) ++misuses;
}

Colour FakePad::GetPixel(DrawingContext context, int x, int y) const {
  if (!m_open.contains(context)) ++misuses;
  ++reads;
  return At(x, y);
}

void FakePad::SetPixel(DrawingContext context, int x, int y, Colour colour) {
  if (!m_open.contains(context)) ++misuses;
  writes.push_back({x, y, colour});
  if (Inside(x, y)) m_pixels[static_cast<std::size_t>(y * m_width + x)] = colour;
}

Colour FakePad::At(int x, int y) const {
  return Inside(x, y) ? m_pixels[static_cast<std::size_t>(y * m_width + x)] : kInvalidColour;
}

int FakePad::CountOf(Colour colour) const {
  return static_cast<int>(std::count(m_pixels.begin(), m_pixels.end(), colour));
}

}  // namespace quendal::test
