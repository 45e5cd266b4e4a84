// The program's dialog templates, read from the resource scripts, with every style worked out
// the way the resource compiler writes it into the program, so that tests can check what the
// windows' code relies on.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quendal::test {

// The window styles the resource scripts name, with the system's values (the native tests see
// no <windows.h>).
namespace rc {
inline constexpr std::uint32_t WS_POPUP = 0x80000000;
inline constexpr std::uint32_t WS_CHILD = 0x40000000;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000;
inline constexpr std::uint32_t WS_BORDER = 0x00800000;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000;
inline constexpr std::uint32_t WS_GROUP = 0x00020000;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000;
inline constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000;
inline constexpr std::uint32_t DS_MODALFRAME = 0x80;
inline constexpr std::uint32_t DS_SETFONT = 0x40;
inline constexpr std::uint32_t BS_TYPEMASK = 0xF;
inline constexpr std::uint32_t BS_PUSHBUTTON = 0x0;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x1;
inline constexpr std::uint32_t BS_AUTOCHECKBOX = 0x3;
inline constexpr std::uint32_t BS_GROUPBOX = 0x7;
inline constexpr std::uint32_t BS_AUTORADIOBUTTON = 0x9;
inline constexpr std::uint32_t BS_OWNERDRAW = 0xB;
inline constexpr std::uint32_t BS_CENTER = 0x300;
inline constexpr std::uint32_t SS_TYPEMASK = 0x1F;
inline constexpr std::uint32_t SS_LEFT = 0x0;
inline constexpr std::uint32_t SS_CENTER = 0x1;
inline constexpr std::uint32_t SS_RIGHT = 0x2;
inline constexpr std::uint32_t SS_ICON = 0x3;
inline constexpr std::uint32_t SS_GRAYFRAME = 0x8;
inline constexpr std::uint32_t SS_BITMAP = 0xE;
inline constexpr std::uint32_t SS_NOTIFY = 0x100;
inline constexpr std::uint32_t SS_REALSIZEIMAGE = 0x800;
inline constexpr std::uint32_t SS_SUNKEN = 0x1000;
inline constexpr std::uint32_t ES_LEFT = 0x0;
inline constexpr std::uint32_t ES_CENTER = 0x1;
inline constexpr std::uint32_t ES_RIGHT = 0x2;
inline constexpr std::uint32_t ES_READONLY = 0x800;
inline constexpr std::uint32_t TBS_AUTOTICKS = 0x1;
inline constexpr std::uint32_t TBS_VERT = 0x2;
inline constexpr std::uint32_t TBS_LEFT = 0x4;
inline constexpr std::uint32_t TBS_BOTH = 0x8;
}  // namespace rc

// A rectangle in dialog units.
struct RcRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const RcRect&) const = default;
};

struct RcControl {
  int id = 0;               // -1 for IDC_STATIC
  std::string windowClass;  // in lower case: window class names ignore case
  std::uint32_t style = 0;
  RcRect rect;
  unsigned image = 0;  // the icon or bitmap resource a picture starts with; 0 for a text
};

struct RcDialog {
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  RcRect rect;
  std::wstring caption;
  int fontSize = 0;
  std::string fontFace;
  std::vector<RcControl> controls;  // in template order, which is also the tab order

  // The control with `id`; nullptr when the template has none.
  const RcControl* Find(int id) const;
};

// The DIALOGEX resources of the scripts by id, resolving names through `idHeaderPath`. Throws
// on a style name it does not know, so that no style is silently read as zero.
std::map<unsigned, RcDialog> ReadRcDialogs(const std::vector<std::string>& rcPaths,
                                           const std::string& idHeaderPath);
// The program's dialog templates from the source tree.
std::map<unsigned, RcDialog> ReadRcDialogs();

}  // namespace quendal::test
