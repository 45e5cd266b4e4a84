// Drives the running control panel from outside, as the system and a user would: window
// messages, tray callbacks, tab selection, button clicks and message boxes. Used by the
// end-to-end scenarios under Wine; prints what it sees and exits non-zero when it cannot act.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kPanelTitle[] = L"Quendal5.1RIR: \x63a7\x5236\x53f0";
constexpr UINT kTrayNotify = WM_USER + 10;
constexpr UINT kPing = WM_USER + 11;

struct WindowInfo {
  HWND window;
  std::wstring title;
  std::wstring className;
  bool visible;
};

std::wstring TitleOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[128] = {};
  GetClassNameW(window, name, 128);
  return name;
}

HWND FindPanel() { return FindWindowW(L"#32770", kPanelTitle); }

DWORD PanelProcess() {
  DWORD process = 0;
  if (HWND panel = FindPanel()) GetWindowThreadProcessId(panel, &process);
  return process;
}

std::vector<WindowInfo> ProcessWindows(DWORD process) {
  std::vector<WindowInfo> windows;
  struct Context {
    DWORD process;
    std::vector<WindowInfo>* windows;
  } context{process, &windows};
  EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        auto* c = reinterpret_cast<Context*>(parameter);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == c->process) {
          c->windows->push_back(
              {window, TitleOf(window), ClassOf(window), IsWindowVisible(window) != FALSE});
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&context));
  return windows;
}

// The property sheet: the dialog inside the panel that holds a tab control.
HWND FindSheet() {
  HWND panel = FindPanel();
  for (HWND child = FindWindowExW(panel, nullptr, L"#32770", nullptr); child != nullptr;
       child = FindWindowExW(panel, child, L"#32770", nullptr)) {
    if (FindWindowExW(child, nullptr, WC_TABCONTROLW, nullptr) != nullptr) return child;
  }
  return nullptr;
}

// A shown top-level window of any process (a second instance's box has no panel).
HWND FindVisibleByTitle(const std::wstring& title) {
  struct Search {
    const std::wstring* title;
    HWND found;
  } search{&title, nullptr};
  EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        auto* s = reinterpret_cast<Search*>(parameter);
        if (IsWindowVisible(window) && TitleOf(window) == *s->title) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void PrintUtf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), size, nullptr, nullptr);
  std::fputs(utf8.c_str(), stdout);
}

int Fail(const char* what) {
  std::fprintf(stderr, "panelctl: %s\n", what);
  return 2;
}

int Ping() {
  HWND panel = FindPanel();
  if (panel == nullptr) return Fail("no control-panel window");
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(panel, kPing, 0, 0, SMTO_ABORTIFHUNG, 5000, &result)) {
    return Fail("no answer");
  }
  std::printf("%lu\n", static_cast<unsigned long>(result));
  return result == 1 ? 0 : 1;
}

int Windows() {
  const DWORD process = PanelProcess();
  if (process == 0) return Fail("no control-panel window");
  for (const WindowInfo& info : ProcessWindows(process)) {
    RECT rect{};
    GetWindowRect(info.window, &rect);
    std::printf("%s %ld,%ld,%ld,%ld ", info.visible ? "visible" : "hidden", rect.left, rect.top,
                rect.right, rect.bottom);
    PrintUtf8(info.className + L" " + info.title);
    if (HWND owner = GetWindow(info.window, GW_OWNER)) {
      std::printf(" (owner: ");
      PrintUtf8(TitleOf(owner) + L")");
    }
    std::printf("\n");
  }
  return 0;
}

// The child windows of the panel's property sheet, with their ids and visibility.
int SheetChildren() {
  HWND sheet = FindSheet();
  if (sheet == nullptr) return Fail("no property sheet");
  EnumChildWindows(
      sheet,
      [](HWND child, LPARAM) -> BOOL {
        RECT rect{};
        GetWindowRect(child, &rect);
        std::printf("%s id=%d %ld,%ld,%ld,%ld ", IsWindowVisible(child) ? "visible" : "hidden",
                    GetDlgCtrlID(child), rect.left, rect.top, rect.right, rect.bottom);
        PrintUtf8(ClassOf(child) + L" " + TitleOf(child));
        std::printf("\n");
        return TRUE;
      },
      0);
  return 0;
}

// The text of a message box: its static control 0xFFFF.
int ShowBox(const std::wstring& caption) {
  HWND box = FindVisibleByTitle(caption);
  if (box == nullptr) return Fail("no such message box");
  wchar_t text[1024] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 1024);
  PrintUtf8(text);
  std::printf("\n");
  return 0;
}

int PressInWindow(const std::wstring& caption, int id) {
  HWND window = FindVisibleByTitle(caption);
  if (window == nullptr) return Fail("no such window");
  HWND button = GetDlgItem(window, id);
  if (button == nullptr) return Fail("no such button");
  // The command itself, as the button sends it: a simulated click is lost when the box is not
  // the active window.
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  return 0;
}

int SelectTab(int index) {
  HWND sheet = FindSheet();
  if (sheet == nullptr) return Fail("no property sheet");
  return SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0) ? 0 : 1;
}

HWND CurrentPage() {
  HWND sheet = FindSheet();
  return sheet ? reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0))
               : nullptr;
}

int ClickOnPage(int id) {
  HWND page = CurrentPage();
  if (page == nullptr) return Fail("no current page");
  HWND control = GetDlgItem(page, id);
  if (control == nullptr) return Fail("no such control on the page");
  // Posted: the click may open a message box that waits for this very tool.
  PostMessageW(control, BM_CLICK, 0, 0);
  return 0;
}

void PrintRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
}

// The screen rectangle of a control on the current page: left top right bottom.
int ControlRect(int id) {
  HWND page = CurrentPage();
  if (page == nullptr) return Fail("no current page");
  HWND control = GetDlgItem(page, id);
  if (control == nullptr) return Fail("no such control on the page");
  PrintRect(control);
  return 0;
}

// The screen rectangle of the popup menu being shown.
int MenuRect() {
  HWND menu = FindWindowW(L"#32768", nullptr);
  if (menu == nullptr || !IsWindowVisible(menu)) return Fail("no menu shown");
  PrintRect(menu);
  return 0;
}

int PageState(int id) {
  HWND page = CurrentPage();
  if (page == nullptr) return Fail("no current page");
  HWND control = GetDlgItem(page, id);
  if (control == nullptr) return Fail("no such control on the page");
  // WM_GETTEXT itself: GetWindowText does not ask a control of another process for its text.
  wchar_t text[256] = {};
  SendMessageW(control, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
  std::printf("checked=%d enabled=%d text=", IsDlgButtonChecked(page, id) == BST_CHECKED,
              IsWindowEnabled(control) != FALSE);
  PrintUtf8(text);
  std::printf("\n");
  return 0;
}

int Resources() {
  const DWORD process = PanelProcess();
  if (process == 0) return Fail("no control-panel window");
  HANDLE handle = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, process);
  if (handle == nullptr) return Fail("cannot open the process");
  DWORD handles = 0;
  GetProcessHandleCount(handle, &handles);
  std::printf("handles=%lu gdi=%lu user=%lu\n", handles, GetGuiResources(handle, GR_GDIOBJECTS),
              GetGuiResources(handle, GR_USEROBJECTS));
  CloseHandle(handle);
  return 0;
}

HWND ControlIn(const std::wstring& caption, int id) {
  HWND window = FindVisibleByTitle(caption);
  return window ? GetDlgItem(window, id) : nullptr;
}

// A click on a control of a top-level window, handled before this returns.
int ClickIn(const std::wstring& caption, int id) {
  HWND control = ControlIn(caption, id);
  if (control == nullptr) return Fail("no such window or control");
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &result)) {
    return Fail("the click was not handled");
  }
  return 0;
}

// The screen rectangle of a control of a top-level window: left top right bottom.
int RectIn(const std::wstring& caption, int id) {
  HWND control = ControlIn(caption, id);
  if (control == nullptr) return Fail("no such window or control");
  PrintRect(control);
  return 0;
}

HWND ControlOnPage(int id) {
  HWND page = CurrentPage();
  return page ? GetDlgItem(page, id) : nullptr;
}

int SliderPosition(int id) {
  HWND slider = ControlOnPage(id);
  if (slider == nullptr) return Fail("no such control on the page");
  std::printf("%ld\n", static_cast<long>(SendMessageW(slider, TBM_GETPOS, 0, 0)));
  return 0;
}

// Asks a trackbar of the panel for one of its rectangles. The trackbar writes it into its own
// process, so the record lives there for the call.
bool TrackbarRect(HWND slider, UINT message, RECT& rect) {
  DWORD process = 0;
  GetWindowThreadProcessId(slider, &process);
  HANDLE handle = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ, FALSE, process);
  if (handle == nullptr) return false;
  void* remote = VirtualAllocEx(handle, nullptr, sizeof rect, MEM_COMMIT, PAGE_READWRITE);
  bool read = false;
  if (remote != nullptr) {
    DWORD_PTR result = 0;
    read = SendMessageTimeoutW(slider, message, 0, reinterpret_cast<LPARAM>(remote),
                               SMTO_ABORTIFHUNG, 5000, &result) &&
           ReadProcessMemory(handle, remote, &rect, sizeof rect, nullptr);
    VirtualFreeEx(handle, remote, 0, MEM_RELEASE);
  }
  CloseHandle(handle);
  if (read) MapWindowPoints(slider, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  return read;
}

// Screen rectangles of a slider's thumb and channel on the current page, where a drag starts
// and how far it may go: thumb left top right bottom, then channel left top right bottom.
int SliderThumb(int id) {
  HWND slider = ControlOnPage(id);
  if (slider == nullptr) return Fail("no such control on the page");
  RECT thumb{};
  RECT channel{};
  if (!TrackbarRect(slider, TBM_GETTHUMBRECT, thumb) ||
      !TrackbarRect(slider, TBM_GETCHANNELRECT, channel)) {
    return Fail("cannot read the slider's rectangles");
  }
  std::printf("%ld %ld %ld %ld %ld %ld %ld %ld\n", thumb.left, thumb.top, thumb.right, thumb.bottom,
              channel.left, channel.top, channel.right, channel.bottom);
  return 0;
}

void Usage() {
  std::fputs(
      "usage: panelctl ping | windows | sheet | menurect | rect ID | command ID | post MSG WPARAM "
      "LPARAM | tray ID MOUSE_MESSAGE | tab INDEX\n"
      "       | click ID | state ID | box CAPTION | press CAPTION ID | resources\n"
      "       | clickin CAPTION ID | rect CAPTION ID | slider ID | thumb ID\n",
      stderr);
}

}  // namespace

// Wide arguments: captions are Chinese, whatever the ANSI code page of the prefix.
int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    Usage();
    return 2;
  }
  const std::wstring verb = argv[1];
  auto number = [&](int i) { return std::wcstol(argv[i], nullptr, 0); };
  if (verb == L"ping") return Ping();
  if (verb == L"windows") return Windows();
  if (verb == L"resources") return Resources();
  if (verb == L"sheet") return SheetChildren();
  if (verb == L"menurect") return MenuRect();
  if (verb == L"rect" && argc == 3) return ControlRect(static_cast<int>(number(2)));
  if (verb == L"command" && argc == 3) {
    HWND panel = FindPanel();
    if (panel == nullptr) return Fail("no control-panel window");
    return PostMessageW(panel, WM_COMMAND, static_cast<WPARAM>(number(2)), 0) ? 0 : 1;
  }
  if (verb == L"post" && argc == 5) {
    HWND panel = FindPanel();
    if (panel == nullptr) return Fail("no control-panel window");
    return PostMessageW(panel, static_cast<UINT>(number(2)), static_cast<WPARAM>(number(3)),
                        number(4))
               ? 0
               : 1;
  }
  if (verb == L"tray" && argc == 4) {
    HWND panel = FindPanel();
    if (panel == nullptr) return Fail("no control-panel window");
    return PostMessageW(panel, kTrayNotify, static_cast<WPARAM>(number(2)), number(3)) ? 0 : 1;
  }
  if (verb == L"tab" && argc == 3) return SelectTab(static_cast<int>(number(2)));
  if (verb == L"click" && argc == 3) return ClickOnPage(static_cast<int>(number(2)));
  if (verb == L"state" && argc == 3) return PageState(static_cast<int>(number(2)));
  if (verb == L"box" && argc == 3) return ShowBox(argv[2]);
  if (verb == L"press" && argc == 4) {
    return PressInWindow(argv[2], static_cast<int>(number(3)));
  }
  if (verb == L"clickin" && argc == 4) return ClickIn(argv[2], static_cast<int>(number(3)));
  if (verb == L"rect" && argc == 4) return RectIn(argv[2], static_cast<int>(number(3)));
  if (verb == L"slider" && argc == 3) return SliderPosition(static_cast<int>(number(2)));
  if (verb == L"thumb" && argc == 3) return SliderThumb(static_cast<int>(number(2)));
  Usage();
  return 2;
}
