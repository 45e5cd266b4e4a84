// A message box runs a message loop of its own: while it is open, the handler that showed it
// waits inside it, and timers, device changes and tray commands still reach the program's
// windows. Every box of the program is counted while it is open, so that a handler reached in
// that time can tell, and leave for later what would change the state the waiting handler
// returns to.
#pragma once

namespace quendal {

// Counts one box as open for the life of the scope.
class OpenBoxScope {
 public:
  OpenBoxScope();
  ~OpenBoxScope();
  OpenBoxScope(const OpenBoxScope&) = delete;
  OpenBoxScope& operator=(const OpenBoxScope&) = delete;
};

// Whether a box of the program is open now: the current handler runs inside its loop.
bool AnyBoxOpen();

// Told when the last open box has closed, while the handler that showed it still waits to
// return: work left for later is posted from here, so that it runs once that handler is done.
class BoxListener {
 public:
  virtual ~BoxListener() = default;
  virtual void OnLastBoxClosed() = 0;
};

// The one listener of the program: the control-panel window, from its initialisation on.
void SetBoxListener(BoxListener* listener);
// Forgets `listener` if it is the one set.
void RemoveBoxListener(const BoxListener* listener);

}  // namespace quendal
