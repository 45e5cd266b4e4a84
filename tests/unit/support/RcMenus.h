// The program's menus, read from the resource script, so that the fakes show the menus the
// program really has and tests can check them.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace quendal::test {

struct RcMenuItem {
  unsigned id = 0;  // zero for a separator
  std::wstring text;
  bool grayed = false;
  bool operator==(const RcMenuItem&) const = default;
};

struct RcMenu {
  int popups = 0;
  std::vector<RcMenuItem> items;  // the items of its popups, in order
};

// The MENU resources of `rcPath` by id, resolving names through `idHeaderPath`.
std::map<unsigned, RcMenu> ReadRcMenus(const std::string& rcPath, const std::string& idHeaderPath);
// The program's menus from the source tree.
std::map<unsigned, RcMenu> ReadRcMenus();

}  // namespace quendal::test
