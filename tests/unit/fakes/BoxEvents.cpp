#include "fakes/BoxEvents.h"

#include <algorithm>
#include <utility>

namespace quendal::test {

std::deque<std::function<void()>> BoxEvents::s_events;
int BoxEvents::s_depth = 0;
int BoxEvents::s_maxDepth = 0;

void BoxEvents::WhileNextBoxIsOpen(std::function<void()> event) {
  s_events.push_back(std::move(event));
}

void BoxEvents::RunWhileOpen() {
  ++s_depth;
  s_maxDepth = std::max(s_maxDepth, s_depth);
  if (!s_events.empty()) {
    const std::function<void()> event = std::move(s_events.front());
    s_events.pop_front();
    event();
  }
  --s_depth;
}

void BoxEvents::Reset() {
  s_events.clear();
  s_depth = 0;
  s_maxDepth = 0;
}

}  // namespace quendal::test
