// What happens while the program's message boxes are open, as a real box's message loop would
// deliver it: a test queues events, and each fake box runs the next one before it returns its
// answer. Shared by every fake box (owned or not), since one loop serves all the program's
// windows; the depth shows whether a box was ever opened over another.
#pragma once

#include <deque>
#include <functional>

namespace quendal::test {

class BoxEvents {
 public:
  // Queues an event for the next box that opens.
  static void WhileNextBoxIsOpen(std::function<void()> event);
  // Called by the fake boxes while they are open.
  static void RunWhileOpen();
  // The most boxes open at once since the last Reset.
  static int MaxDepth() { return s_maxDepth; }
  static bool Pending() { return !s_events.empty(); }
  static void Reset();

 private:
  static std::deque<std::function<void()>> s_events;
  static int s_depth;
  static int s_maxDepth;
};

}  // namespace quendal::test
