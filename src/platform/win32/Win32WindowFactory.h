// Creates the program's windows from their templates and routes their messages to the logic:
// one dialog procedure for dialogs, one for property pages, the modal run with keyboard
// navigation for every window of the program, and comctl32's own property sheet.
#pragma once

#include "ui/WindowFactory.h"

namespace quendal {

class Win32WindowFactory : public WindowFactory {
 public:
  bool CreateModeless(Dialog& dialog, WindowId owner) override;
  int RunModal(Dialog& dialog) override;
  std::unique_ptr<PropertySheet> CreatePropertySheet() override;
};

}  // namespace quendal
