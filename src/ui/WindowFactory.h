// Port that creates the program's windows from their dialog templates (modeless dialogs, modal
// runs and property sheets) and loads their icons.
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
  // One of the program's icons at the size of a window's icon. It is shared with the system,
  // which frees it with the program: nobody destroys it. Zero when there is no such icon.
  virtual IconHandle LoadWindowIcon(unsigned iconId) = 0;
};

}  // namespace quendal
