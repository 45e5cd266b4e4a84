// The window procedures that turn messages into the logic's handler calls.
#pragma once

#include <windows.h>

#include "ui/Dialog.h"

namespace quendal {

// The dialog procedure of every dialog window; WM_INITDIALOG's parameter is the Dialog.
INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The dialog procedure of every property page; the page travels in PROPSHEETPAGE's lParam.
INT_PTR CALLBACK PageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Ends a modal run started by RunModal; the result is kept for it.
void EndModalRun(HWND window, int result);
// Whether EndModalRun was called for the window, and with which result.
bool ModalRunEnded(HWND window, int& result);
// Drops what EndModalRun left on the window, before the window is destroyed.
void ForgetModalRun(HWND window);

}  // namespace quendal
