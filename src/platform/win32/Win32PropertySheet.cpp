#include "platform/win32/Win32PropertySheet.h"

#include <commctrl.h>
#include <prsht.h>
#undef PropertySheet

#include <set>

#include "platform/win32/Win32MessageRouting.h"

namespace quendal {

namespace {

constexpr int kApplyNowButton = 0x3021;

// Every property sheet of the program.
std::set<HWND>& Sheets() {
  static std::set<HWND> sheets;
  return sheets;
}

// comctl32 creates a modeless sheet as a top-level window from a template of its own: this
// one gets no caption and no frame, and clips its pages. MakeChildOfOwner then makes it a
// child.
void MakeBorderless(DLGTEMPLATE* dialogTemplate) {
  const bool extended = reinterpret_cast<const WORD*>(dialogTemplate)[1] == 0xFFFF;
  auto* words = reinterpret_cast<DWORD*>(dialogTemplate);
  DWORD& exStyle = extended ? words[2] : dialogTemplate->dwExtendedStyle;
  DWORD& style = extended ? words[3] : dialogTemplate->style;
  style = (style & 0xFFFF & ~static_cast<DWORD>(DS_MODALFRAME)) | WS_POPUP | WS_CLIPCHILDREN;
  exStyle = WS_EX_CONTROLPARENT;
}

// Enter, Escape and Alt+F4 in the sheet post the owner's close command (the subclass's
// reference data): the sheet must never end itself.
LRESULT CALLBACK SheetSubclass(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR closeCommand) {
  const bool closeKey =
      message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL);
  // The sheet was initialised before this subclass was set: a WM_INITDIALOG now, or a
  // notification that is not its own controls', is another program's, and comctl32 would build
  // the sheet again on its record or read the notification's.
  if (message == WM_INITDIALOG || (message == WM_NOTIFY && !IsOwnNotification(sheet, lParam))) {
    return 0;
  }
  if (closeKey || message == WM_CLOSE) {
    PostMessageW(GetParent(sheet), WM_COMMAND, static_cast<WPARAM>(closeCommand), 0);
    return 0;
  }
  if (message == WM_NCDESTROY) {
    Sheets().erase(sheet);
    RemoveWindowSubclass(sheet, SheetSubclass, 0);
  }
  return DefSubclassProc(sheet, message, wParam, lParam);
}

// As a top-level window the sheet would have to stay above its owner by the window manager's
// grace, which not every one gives; as a child it moves, hides and stacks with the window by
// construction.
void MakeChildOfOwner(HWND sheet) {
  HWND owner = GetWindow(sheet, GW_OWNER);
  if (owner == nullptr) return;
  const LONG_PTR style = GetWindowLongPtrW(sheet, GWL_STYLE);
  SetWindowLongPtrW(sheet, GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_POPUP)) | WS_CHILD);
  SetParent(sheet, owner);
}

// A modeless sheet keeps only its tab row and page area: the buttons go, and the window
// shrinks to the tab control with the same margin all round.
void RemoveButtonsAndShrink(HWND sheet) {
  for (int id : {IDOK, IDCANCEL, kApplyNowButton, IDHELP}) {
    if (HWND button = GetDlgItem(sheet, id)) {
      ShowWindow(button, SW_HIDE);
      EnableWindow(button, FALSE);
    }
  }
  HWND tab = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
  RECT tabRect{};
  GetWindowRect(tab, &tabRect);
  MapWindowPoints(nullptr, sheet, reinterpret_cast<POINT*>(&tabRect), 2);
  SetWindowPos(sheet, nullptr, 0, 0, tabRect.right + tabRect.left, tabRect.bottom + tabRect.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM lParam) {
  if (message == PSCB_PRECREATE) MakeBorderless(reinterpret_cast<DLGTEMPLATE*>(lParam));
  if (message == PSCB_INITIALIZED) {
    RemoveButtonsAndShrink(sheet);
    MakeChildOfOwner(sheet);
  }
  return 0;
}

}  // namespace

Win32PropertySheet::~Win32PropertySheet() {
  if (IsWindow(m_sheet)) DestroyWindow(m_sheet);
}

bool Win32PropertySheet::Create(WindowId owner, int closeCommand) {
  std::vector<PROPSHEETPAGEW> pages;
  for (PropertyPage* page : m_pages) {
    PROPSHEETPAGEW sheetPage{};
    sheetPage.dwSize = sizeof sheetPage;
    sheetPage.dwFlags = PSP_DEFAULT;
    sheetPage.hInstance = GetModuleHandleW(nullptr);
    sheetPage.pszTemplate = MAKEINTRESOURCEW(page->TemplateId());
    sheetPage.pfnDlgProc = PageProcedure;
    sheetPage.lParam = reinterpret_cast<LPARAM>(page);
    pages.push_back(sheetPage);
  }
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_MODELESS | PSH_PROPSHEETPAGE | PSH_USECALLBACK | PSH_NOAPPLYNOW;
  header.hwndParent = reinterpret_cast<HWND>(owner);
  header.hInstance = GetModuleHandleW(nullptr);
  header.nPages = static_cast<UINT>(pages.size());
  header.ppsp = pages.data();
  header.pfnCallback = SheetCallback;
  m_sheet = reinterpret_cast<HWND>(PropertySheetW(&header));
  if (m_sheet == nullptr) return false;
  // A modeless sheet takes no input before its creation returns, so the keys are caught from
  // here on.
  SetWindowSubclass(m_sheet, SheetSubclass, 0, static_cast<DWORD_PTR>(closeCommand));
  Sheets().insert(m_sheet);
  return true;
}

bool Win32PropertySheet::SetActivePage(int index) {
  return SendMessageW(m_sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0) != 0;
}

int Win32PropertySheet::GetActiveIndex() const {
  HWND tab = reinterpret_cast<HWND>(SendMessageW(m_sheet, PSM_GETTABCONTROL, 0, 0));
  return tab == nullptr ? -1 : static_cast<int>(SendMessageW(tab, TCM_GETCURSEL, 0, 0));
}

Rect Win32PropertySheet::GetWindowRect() const {
  RECT rect{};
  ::GetWindowRect(m_sheet, &rect);
  MapWindowPoints(nullptr, GetParent(m_sheet), reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

void Win32PropertySheet::PlaceOnTop(const Rect& clientRect, bool show) {
  SetWindowPos(m_sheet, HWND_TOP, clientRect.left, clientRect.top, clientRect.Width(),
               clientRect.Height(), SWP_NOACTIVATE | (show ? SWP_SHOWWINDOW : 0));
}

HWND PropertySheetHolding(HWND window) {
  for (; window != nullptr; window = GetParent(window)) {
    if (Sheets().contains(window)) return window;
  }
  return nullptr;
}

}  // namespace quendal
