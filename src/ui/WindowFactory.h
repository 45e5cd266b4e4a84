// Port that creates the program's windows from their dialog templates: modeless dialogs,
// modal runs and property sheets.
#pragma once

#include <memory>

#include "ui/Dialog.h"
#include "ui/PropertySheet.h"

namespace quendal {

class WindowFactory {
 public:
  virtual ~WindowFactory() = default;

  // Creates the dialog's window modeless from its template, owned by `owner` (0: none), and
  // runs its initialisation. False when the window could not be created.
  virtual bool CreateModeless(Dialog& dialog, WindowId owner) = 0;
  // Creates the dialog's window and runs it modally until it ends; returns the result it ended
  // with, or -1 when the window could not be created.
  virtual int RunModal(Dialog& dialog) = 0;
  virtual std::unique_ptr<PropertySheet> CreatePropertySheet() = 0;
};

}  // namespace quendal
