// Creates the program's windows from their templates: modeless dialogs, the modal run with
// keyboard navigation for every window of the program, comctl32's own property sheet, and the
// windows' icons.
#pragma once

#include <windows.h>

#include "ui/WindowFactory.h"

namespace quendal {

class Win32WindowFactory : public WindowFactory {
 public:
  bool CreateModeless(Dialog& dialog, WindowId owner) override;
  int RunModal(Dialog& dialog) override;
  std::unique_ptr<PropertySheet> CreatePropertySheet() override;
  IconHandle LoadWindowIcon(unsigned iconId) override;
};

// Ends a modal run started by RunModal; the result is kept for it.
void EndModalRun(HWND window, int result);

}  // namespace quendal
