#include "support/RcMenus.h"

#include <regex>
#include <sstream>

#include "support/RcStringTable.h"

namespace quendal::test {

std::map<unsigned, RcMenu> ReadRcMenus(const std::string& rcPath, const std::string& idHeaderPath) {
  const auto ids = ReadResourceIds(idHeaderPath);
  const auto idOf = [&ids](const std::string& key) {
    return std::isdigit(static_cast<unsigned char>(key[0])) ? static_cast<unsigned>(std::stoul(key))
                                                            : ids.at(key);
  };
  const std::regex header(R"(^\s*(\w+)\s+MENU\s*$)");
  const std::regex popup(R"(^\s*POPUP\s+")");
  const std::regex separator(R"(^\s*MENUITEM\s+SEPARATOR\s*$)");
  const std::regex item(R"re(^\s*MENUITEM\s+"((?:[^"]|"")*)"\s*,\s*(\w+)\s*(,\s*GRAYED)?\s*$)re");

  std::map<unsigned, RcMenu> menus;
  RcMenu* menu = nullptr;
  std::istringstream lines(ReadTextFile(rcPath));
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (std::regex_match(line, match, header)) {
      menu = &menus[idOf(match[1])];
    } else if (menu == nullptr) {
      continue;
    } else if (std::regex_search(line, popup)) {
      ++menu->popups;
    } else if (std::regex_match(line, separator)) {
      menu->items.push_back({});
    } else if (std::regex_match(line, match, item)) {
      menu->items.push_back({idOf(match[2]), DecodeUtf8(match[1]), match[3].matched});
    }
  }
  return menus;
}

std::map<unsigned, RcMenu> ReadRcMenus() {
  return ReadRcMenus(QUENDAL_RES_DIR "/menus.rc", QUENDAL_RES_DIR "/resource_ids.h");
}

}  // namespace quendal::test
