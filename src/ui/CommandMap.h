// A window's message map for commands: a table from command id to member handler.
#pragma once

#include <span>

namespace quendal {

template <typename Window>
struct CommandEntry {
  int id;
  void (Window::*handler)();
};

// Runs the handler of `id`; false when the table has none.
template <typename Window>
bool DispatchCommand(Window& window, std::span<const CommandEntry<Window>> map, int id) {
  for (const CommandEntry<Window>& entry : map) {
    if (entry.id == id) {
      (window.*entry.handler)();
      return true;
    }
  }
  return false;
}

}  // namespace quendal
