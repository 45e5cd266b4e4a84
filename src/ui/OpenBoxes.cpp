#include "ui/OpenBoxes.h"

namespace quendal {

namespace {

// Every window of the program runs on the one user-interface thread.
int g_openBoxes = 0;
BoxListener* g_boxListener = nullptr;

}  // namespace

OpenBoxScope::OpenBoxScope() { ++g_openBoxes; }

OpenBoxScope::~OpenBoxScope() {
  if (--g_openBoxes == 0 && g_boxListener != nullptr) g_boxListener->OnLastBoxClosed();
}

bool AnyBoxOpen() { return g_openBoxes > 0; }

void SetBoxListener(BoxListener* listener) { g_boxListener = listener; }

void RemoveBoxListener(const BoxListener* listener) {
  if (g_boxListener == listener) g_boxListener = nullptr;
}

}  // namespace quendal
