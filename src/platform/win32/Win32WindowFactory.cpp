#include "platform/win32/Win32WindowFactory.h"

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>
// <prsht.h> maps PropertySheet to PropertySheetW; the program's port of that name is meant here.
#undef PropertySheet

#include <set>
#include <vector>

#include "platform/win32/Win32MessageRouting.h"
#include "resource_ids.h"

namespace quendal {

namespace {

constexpr int kApplyNowButton = 0x3021;

// Every property sheet of the program, so that the modal run gives them the sheet's own
// keyboard handling (Ctrl+Tab between pages).
std::set<HWND>& Sheets() {
  static std::set<HWND> sheets;
  return sheets;
}

HWND SheetHolding(HWND window) {
  for (; window != nullptr; window = GetParent(window)) {
    if (Sheets().contains(window)) return window;
  }
  return nullptr;
}

bool TranslateDialogKeys(MSG& message) {
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
  if (HWND sheet = SheetHolding(message.hwnd)) {
    return SendMessageW(sheet, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(&message)) != 0;
  }
  HWND root = GetAncestor(message.hwnd, GA_ROOT);
  return root != nullptr && IsDialogMessageW(root, &message) != FALSE;
}

// The sheet is a borderless pop-up: no caption, no frame, clipping its pages.
void MakeBorderlessPopup(DLGTEMPLATE* dialogTemplate) {
  const bool extended = reinterpret_cast<const WORD*>(dialogTemplate)[1] == 0xFFFF;
  auto* words = reinterpret_cast<DWORD*>(dialogTemplate);
  DWORD& exStyle = extended ? words[2] : dialogTemplate->dwExtendedStyle;
  DWORD& style = extended ? words[3] : dialogTemplate->style;
  style = (style & 0xFFFF & ~static_cast<DWORD>(DS_MODALFRAME)) | WS_POPUP | WS_CLIPCHILDREN;
  exStyle = WS_EX_CONTROLPARENT;
}

// Enter, Escape and Alt+F4 in the sheet act as the owner's Close button: the sheet must never
// end itself.
LRESULT CALLBACK SheetSubclass(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR) {
  const bool closeKey =
      message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL);
  if (closeKey || message == WM_CLOSE) {
    PostMessageW(GetParent(sheet), WM_COMMAND, IDC_CLOSE, 0);
    return 0;
  }
  if (message == WM_NCDESTROY) {
    Sheets().erase(sheet);
    RemoveWindowSubclass(sheet, SheetSubclass, 0);
  }
  return DefSubclassProc(sheet, message, wParam, lParam);
}

// The sheet is made a borderless child of its owner, laid over the owner's frame control. As a
// pop-up it would have to stay above its owner by the window manager's grace, which not every
// one gives; as a child it moves, hides and stacks with the window by construction.
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
  SetWindowSubclass(sheet, SheetSubclass, 0, 0);
  Sheets().insert(sheet);
}

int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM lParam) {
  if (message == PSCB_PRECREATE) MakeBorderlessPopup(reinterpret_cast<DLGTEMPLATE*>(lParam));
  if (message == PSCB_INITIALIZED) {
    RemoveButtonsAndShrink(sheet);
    MakeChildOfOwner(sheet);
  }
  return 0;
}

class Win32PropertySheet : public PropertySheet {
 public:
  ~Win32PropertySheet() override {
    if (IsWindow(m_sheet)) DestroyWindow(m_sheet);
  }

  void AddPage(PropertyPage& page) override { m_pages.push_back(&page); }

  bool Create(WindowId owner) override {
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
    return m_sheet != nullptr;
  }

  bool SetActivePage(int index) override {
    return SendMessageW(m_sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0) != 0;
  }

  int GetActiveIndex() const override {
    HWND tab = reinterpret_cast<HWND>(SendMessageW(m_sheet, PSM_GETTABCONTROL, 0, 0));
    return tab == nullptr ? -1 : static_cast<int>(SendMessageW(tab, TCM_GETCURSEL, 0, 0));
  }

  Rect GetWindowRect() const override {
    RECT rect{};
    ::GetWindowRect(m_sheet, &rect);
    return {rect.left, rect.top, rect.right, rect.bottom};
  }

  void PlaceOnTop(const Rect& screenRect, bool show) override {
    POINT topLeft{screenRect.left, screenRect.top};
    if (HWND parent = GetParent(m_sheet)) ScreenToClient(parent, &topLeft);
    SetWindowPos(m_sheet, HWND_TOP, topLeft.x, topLeft.y, screenRect.Width(), screenRect.Height(),
                 SWP_NOACTIVATE | (show ? SWP_SHOWWINDOW : 0));
  }

 private:
  std::vector<PropertyPage*> m_pages;
  HWND m_sheet = nullptr;
};

}  // namespace

bool Win32WindowFactory::CreateModeless(Dialog& dialog, WindowId owner) {
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(dialog.TemplateId()),
                            reinterpret_cast<HWND>(owner), DialogProcedure,
                            reinterpret_cast<LPARAM>(&dialog)) != nullptr;
}

// The run routes the keyboard of every window of the program (the sheet, the speaker test,
// the About box), which a system modal loop would do for its own dialog only.
int Win32WindowFactory::RunModal(Dialog& dialog) {
  HWND window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(dialog.TemplateId()),
                                   nullptr, DialogProcedure, reinterpret_cast<LPARAM>(&dialog));
  if (window == nullptr) return -1;
  int result = -1;
  MSG message{};
  while (!ModalRunEnded(window, result)) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got == -1) break;
    if (TranslateDialogKeys(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  ForgetModalRun(window);
  DestroyWindow(window);
  return result;
}

std::unique_ptr<PropertySheet> Win32WindowFactory::CreatePropertySheet() {
  return std::make_unique<Win32PropertySheet>();
}

}  // namespace quendal
