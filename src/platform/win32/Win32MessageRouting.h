// The window procedures that turn messages into the logic's handler calls.
#pragma once

#include <windows.h>

#include "ui/Dialog.h"

namespace quendal {

// Whether lParam is the record of a notification that `window` itself or one of its controls
// sent: false without a record, for an address this process cannot read, and for a window of
// another thread.
bool IsOwnNotification(HWND window, LPARAM lParam);
// The dialog procedure of every dialog window; WM_INITDIALOG's parameter is the Dialog.
INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The dialog procedure of every property page; the page travels in PROPSHEETPAGE's lParam.
INT_PTR CALLBACK PageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace quendal
