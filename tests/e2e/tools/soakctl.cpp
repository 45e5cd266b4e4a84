// Drives the running control panel from outside, as the system and a user would: window
// messages, tray callbacks, tab selection, button clicks and message boxes. Used by the
// end-to-end scenarios under Wine; prints what it sees and exits non-zero when it cannot act.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>
#include <winternl.h>

#include <io.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kPanelTitle[] = L"Quendal5.1RIR: \x63a7\x5236\x53f0";
constexpr UINT kTrayNotify = WM_USER + 10;
constexpr UINT kPing = WM_USER + 11;

// The captions of the panel's own message boxes: the refused request, the driver that cannot be
// loaded, and the warnings.
constexpr const wchar_t* kBoxCaptions[] = {
    L"IO \x63a7\x5236\x932f\x8aa4", L"Quendal5.1RIR: \x932f\x8aa4", L"Quendal5.1RIR: \x8b66\x544a"};

// Exit statuses of the verbs that wait for the panel.
constexpr int kIdle = 0;
constexpr int kBoxShown = 3;
constexpr int kStillBusy = 4;

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

HWND FindVisibleByTitle(const std::wstring& title) {
  for (const WindowInfo& info : ProcessWindows(PanelProcess())) {
    if (info.visible && info.title == title) return info.window;
  }
  return nullptr;
}

void PrintUtf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), size, nullptr, nullptr);
  std::fputs(utf8.c_str(), stdout);
}

// The arguments as the system passed them: a caption in the panel's language must not pass
// through the narrow code page on its way to the window titles.
std::vector<std::wstring> WideArguments() {
  int count = 0;
  LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
  if (list == nullptr) return {};
  std::vector<std::wstring> arguments(list, list + count);
  LocalFree(list);
  return arguments;
}

std::wstring Widen(const char* text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size - 1 : 0), L'\0');
  if (size > 1) MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), size);
  return wide;
}

long Number(const std::wstring& text) { return std::wcstol(text.c_str(), nullptr, 0); }

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
    std::printf("\n");
  }
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
  PostMessageW(button, BM_CLICK, 0, 0);
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
  SendMessageW(control, BM_CLICK, 0, 0);
  return 0;
}

int PageState(int id) {
  HWND page = CurrentPage();
  if (page == nullptr) return Fail("no current page");
  HWND control = GetDlgItem(page, id);
  if (control == nullptr) return Fail("no such control on the page");
  wchar_t text[256] = {};
  GetWindowTextW(control, text, 256);
  std::printf("checked=%d enabled=%d text=", IsDlgButtonChecked(page, id) == BST_CHECKED,
              IsWindowEnabled(control) != FALSE);
  PrintUtf8(text);
  std::printf("\n");
  return 0;
}

using UniqueHandle = std::unique_ptr<void, decltype(&CloseHandle)>;

UniqueHandle OpenPanelProcess(DWORD process, DWORD access) {
  return UniqueHandle(OpenProcess(access, FALSE, process), &CloseHandle);
}

// The handles that the process holds open, from the system's list of all handles. Wine's own
// counts are no use here: GetProcessHandleCount answers 0 for another process, and the process
// list gives the size of its handle table, which only grows.
bool OpenHandlesFromSystemList(DWORD process, DWORD& count) {
  constexpr auto kSystemExtendedHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(64);
  constexpr NTSTATUS kBufferTooSmall = static_cast<NTSTATUS>(0xC0000004);
  struct Entry {
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handleValue;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG handleAttributes;
    ULONG reserved;
  };
  struct List {
    ULONG_PTR numberOfHandles;
    ULONG_PTR reserved;
    Entry handles[1];
  };
  std::vector<unsigned char> buffer(1 << 20);
  NTSTATUS status = kBufferTooSmall;
  for (int attempt = 0; attempt < 8 && status == kBufferTooSmall; ++attempt) {
    ULONG needed = 0;
    status = NtQuerySystemInformation(kSystemExtendedHandleInformation, buffer.data(),
                                      static_cast<ULONG>(buffer.size()), &needed);
    if (status == kBufferTooSmall) buffer.resize(std::max<std::size_t>(needed, buffer.size()) * 2);
  }
  if (status != 0) return false;
  const auto* list = reinterpret_cast<const List*>(buffer.data());
  count = 0;
  for (ULONG_PTR i = 0; i < list->numberOfHandles; ++i) {
    count += list->handles[i].processId == process;
  }
  return true;
}

// Wine's GetGuiResources is a stub that answers 0. Its table of GDI handles lies in the process's
// own memory, named by the process environment block as on Windows; a live entry has a type.
DWORD GdiObjectsFromHandleTable(HANDLE process) {
  static_assert(sizeof(void*) == 8, "the offsets below are those of 64-bit processes");
  constexpr std::size_t kPebGdiTableOffset = 0xF8;
  constexpr std::size_t kEntrySize = 24;
  constexpr std::size_t kEntryTypeOffset = 14;
  constexpr std::size_t kEntries = 0x10000;
  PROCESS_BASIC_INFORMATION basic{};
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr) !=
      0) {
    return 0;
  }
  ULONG_PTR table = 0;
  const auto* peb = reinterpret_cast<const unsigned char*>(basic.PebBaseAddress);
  if (!ReadProcessMemory(process, peb + kPebGdiTableOffset, &table, sizeof(table), nullptr) ||
      table == 0) {
    return 0;
  }
  std::vector<unsigned char> entries(kEntrySize * kEntries);
  if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                         entries.size(), nullptr)) {
    return 0;
  }
  DWORD live = 0;
  for (std::size_t i = 0; i < kEntries; ++i) {
    live += entries[i * kEntrySize + kEntryTypeOffset] != 0;
  }
  return live;
}

// Where GetGuiResources cannot tell, the windows are the user objects that can be counted from
// outside: every window of the process, children and message-only windows included.
DWORD WindowsOfProcess(DWORD process) {
  DWORD count = 0;
  auto countChildren = [](HWND, LPARAM counter) -> BOOL {
    ++*reinterpret_cast<DWORD*>(counter);
    return TRUE;
  };
  for (const WindowInfo& info : ProcessWindows(process)) {
    ++count;
    EnumChildWindows(info.window, countChildren, reinterpret_cast<LPARAM>(&count));
  }
  for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window != nullptr;
       window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == process) ++count;
  }
  return count;
}

int Resources() {
  const DWORD process = PanelProcess();
  if (process == 0) return Fail("no control-panel window");
  UniqueHandle handle = OpenPanelProcess(process, PROCESS_QUERY_INFORMATION | PROCESS_VM_READ);
  if (!handle) return Fail("cannot open the process");
  DWORD handles = 0;
  if (!OpenHandlesFromSystemList(process, handles)) GetProcessHandleCount(handle.get(), &handles);
  DWORD gdi = GetGuiResources(handle.get(), GR_GDIOBJECTS);
  if (gdi == 0) gdi = GdiObjectsFromHandleTable(handle.get());
  DWORD user = GetGuiResources(handle.get(), GR_USEROBJECTS);
  if (user == 0) user = WindowsOfProcess(process);
  std::printf("handles=%lu gdi=%lu user=%lu\n", handles, gdi, user);
  return 0;
}

// A rectangle that a common control of the panel writes into memory given with the message:
// the buffer must be lent in the panel's own address space.
bool RemoteRect(HWND control, UINT message, RECT& rect) {
  DWORD process = 0;
  GetWindowThreadProcessId(control, &process);
  UniqueHandle target =
      OpenPanelProcess(process, PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE);
  if (!target) return false;
  void* remote =
      VirtualAllocEx(target.get(), nullptr, sizeof(RECT), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (remote == nullptr) return false;
  DWORD_PTR ignored = 0;
  const bool read = SendMessageTimeoutW(control, message, 0, reinterpret_cast<LPARAM>(remote),
                                        SMTO_NORMAL, 5000, &ignored) &&
                    ReadProcessMemory(target.get(), remote, &rect, sizeof(rect), nullptr);
  VirtualFreeEx(target.get(), remote, 0, MEM_RELEASE);
  return read;
}

bool HoldsCapture(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) &&
         info.hwndCapture == window;
}

// Position, range, and the thumb and channel in screen coordinates: what a pointer needs to drag
// the slider to a position.
int Slider(int id) {
  HWND page = CurrentPage();
  if (page == nullptr) return Fail("no current page");
  HWND slider = GetDlgItem(page, id);
  if (slider == nullptr) return Fail("no such control on the page");
  RECT thumb{};
  RECT channel{};
  if (!RemoteRect(slider, TBM_GETTHUMBRECT, thumb) ||
      !RemoteRect(slider, TBM_GETCHANNELRECT, channel)) {
    return Fail("cannot read the slider's geometry");
  }
  MapWindowPoints(slider, nullptr, reinterpret_cast<POINT*>(&thumb), 2);
  MapWindowPoints(slider, nullptr, reinterpret_cast<POINT*>(&channel), 2);
  std::printf("pos=%ld min=%ld max=%ld captured=%d thumb=%ld,%ld,%ld,%ld channel=%ld,%ld,%ld,%ld\n",
              static_cast<long>(SendMessageW(slider, TBM_GETPOS, 0, 0)),
              static_cast<long>(SendMessageW(slider, TBM_GETRANGEMIN, 0, 0)),
              static_cast<long>(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0)), HoldsCapture(slider),
              thumb.left, thumb.top, thumb.right, thumb.bottom, channel.left, channel.top,
              channel.right, channel.bottom);
  return 0;
}

// Says whether the sheet lies above the control-panel window, and with "raise" puts it there. A
// sheet that is a pop-up of the window can end up under it under Wine's virtual desktop.
int SheetOnTop(bool raise) {
  HWND sheet = FindSheet();
  HWND panel = FindPanel();
  if (sheet == nullptr || panel == nullptr) return Fail("no property sheet");
  // A sheet inside its window always lies above it.
  bool above = GetParent(sheet) == panel;
  for (HWND window = GetWindow(sheet, GW_HWNDNEXT); window != nullptr;
       window = GetWindow(window, GW_HWNDNEXT)) {
    if (window == panel) above = true;
  }
  if (above) {
    std::puts("above");
    return 0;
  }
  if (!raise) {
    std::puts("below");
    return 1;
  }
  SetWindowPos(sheet, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  std::puts("raised");
  return 0;
}

using Clock = std::chrono::steady_clock;
constexpr DWORD kPollMs = 20;

DWORD MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
}

// One of the panel's message boxes, shown or about to be shown.
HWND FindPanelBox(DWORD process) {
  for (const WindowInfo& info : ProcessWindows(process)) {
    for (const wchar_t* caption : kBoxCaptions) {
      if (info.title == caption) return info.window;
    }
  }
  return nullptr;
}

// One line: the box's caption and text, its line breaks written as \n.
void PrintBox(const char* prefix, HWND box) {
  wchar_t text[1024] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 1024);
  std::wstring line = TitleOf(box) + L": ";
  for (const wchar_t* c = text; *c != L'\0'; ++c) {
    line += *c == L'\n' ? std::wstring(L"\\n") : std::wstring(1, *c);
  }
  std::fputs(prefix, stdout);
  PrintUtf8(line);
  std::printf("\n");
}

// Waits until the panel has handled what was queued for it. A mouse button that it still holds
// captured is waited for first; then a sent message comes back once the panel reads its messages
// again: idle, or inside one of its message boxes.
int Settle(Clock::time_point deadline) {
  HWND panel = FindPanel();
  if (panel == nullptr) return Fail("no control-panel window");
  DWORD process = 0;
  const DWORD thread = GetWindowThreadProcessId(panel, &process);
  for (;;) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(thread, &info) || info.hwndCapture == nullptr) break;
    if (Clock::now() > deadline) {
      std::puts("busy: the mouse is still captured");
      return kStillBusy;
    }
    Sleep(kPollMs);
  }
  DWORD_PTR ignored = 0;
  if (!SendMessageTimeoutW(panel, WM_NULL, 0, 0, SMTO_NORMAL, MillisecondsLeft(deadline),
                           &ignored)) {
    std::puts("busy: no answer");
    return kStillBusy;
  }
  if (HWND box = FindPanelBox(process)) {
    PrintBox("box ", box);
    return kBoxShown;
  }
  std::puts("idle");
  return kIdle;
}

struct SentMessage {
  HWND target;
  UINT message;
  WPARAM wParam;
};

DWORD WINAPI SendOnThread(void* parameter) {
  const std::unique_ptr<SentMessage> sent(static_cast<SentMessage*>(parameter));
  SendMessageW(sent->target, sent->message, sent->wParam, 0);
  return 0;
}

// Sends a message that the panel handles at once and waits for the handler to end. A handler
// that shows one of the panel's message boxes ends only when the box is closed, so the wait
// also ends when such a box appears; the sending thread is then left waiting for that end.
int SendAndWait(Clock::time_point deadline, HWND target, UINT message, WPARAM wParam) {
  const DWORD process = PanelProcess();
  if (HWND box = FindPanelBox(process)) {
    PrintBox("a message box is already open: ", box);
    return 2;
  }
  auto sent = std::make_unique<SentMessage>(SentMessage{target, message, wParam});
  const UniqueHandle thread(CreateThread(nullptr, 0, SendOnThread, sent.get(), 0, nullptr),
                            &CloseHandle);
  if (!thread) return Fail("cannot start the sending thread");
  sent.release();
  for (;;) {
    if (WaitForSingleObject(thread.get(), kPollMs) == WAIT_OBJECT_0) {
      std::puts("done");
      return kIdle;
    }
    if (HWND box = FindPanelBox(process)) {
      PrintBox("box ", box);
      return kBoxShown;
    }
    if (Clock::now() > deadline) {
      std::puts("busy: the handler has not returned");
      return kStillBusy;
    }
  }
}

// do MS command ID | tab INDEX | click ID | press CAPTION ID
int Do(Clock::time_point deadline, const std::vector<std::wstring>& action) {
  const auto number = [&](std::size_t i) { return Number(action[i]); };
  if (action.size() == 2 && action[0] == L"command") {
    HWND panel = FindPanel();
    if (panel == nullptr) return Fail("no control-panel window");
    return SendAndWait(deadline, panel, WM_COMMAND, static_cast<WPARAM>(number(1)));
  }
  if (action.size() == 2 && action[0] == L"tab") {
    HWND sheet = FindSheet();
    if (sheet == nullptr) return Fail("no property sheet");
    return SendAndWait(deadline, sheet, PSM_SETCURSEL, static_cast<WPARAM>(number(1)));
  }
  HWND button = nullptr;
  if (action.size() == 2 && action[0] == L"click") {
    HWND page = CurrentPage();
    if (page == nullptr) return Fail("no current page");
    button = GetDlgItem(page, static_cast<int>(number(1)));
  } else if (action.size() == 3 && action[0] == L"press") {
    HWND window = FindVisibleByTitle(action[1]);
    if (window == nullptr) return Fail("no such window");
    button = GetDlgItem(window, static_cast<int>(number(2)));
  } else {
    return Fail("do: command ID | tab INDEX | click ID | press CAPTION ID");
  }
  if (button == nullptr) return Fail("no such button");
  return SendAndWait(deadline, button, BM_CLICK, 0);
}

// Closes one of the panel's message boxes with one of its buttons, as a user would, and waits
// until the panel is past it.
int Dismiss(Clock::time_point deadline, const std::wstring& caption, int id) {
  HWND box = nullptr;
  while ((box = FindVisibleByTitle(caption)) == nullptr) {
    if (Clock::now() > deadline) return Fail("no such message box");
    Sleep(kPollMs);
  }
  HWND button = GetDlgItem(box, id);
  if (button == nullptr) return Fail("no such button");
  PrintBox("dismissed ", box);
  PostMessageW(button, BM_CLICK, 0, 0);
  while (IsWindow(box)) {
    if (Clock::now() > deadline) {
      std::puts("busy: the box stays open");
      return kStillBusy;
    }
    Sleep(kPollMs);
  }
  return Settle(deadline);
}

// Every REG_DWORD of a key under HKEY_LOCAL_MACHINE, one "name=value" line each, in decimal.
int Settings(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return Fail("cannot open the key");
  }
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD nameSize = 256;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LONG result = RegEnumValueW(key, index, name, &nameSize, nullptr, &type,
                                      reinterpret_cast<BYTE*>(&value), &size);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result == ERROR_SUCCESS && type == REG_DWORD) {
      PrintUtf8(name);
      std::printf("=%lu\n", value);
    }
  }
  RegCloseKey(key);
  return 0;
}

void Usage() {
  std::fputs(
      "usage: panelctl ping | windows | command ID | tray ID MOUSE_MESSAGE | tab INDEX\n"
      "       | click ID | state ID | box CAPTION | press CAPTION ID | resources | slider ID\n"
      "       | sheet [raise] | do MS command ID | do MS tab INDEX | do MS click ID\n"
      "       | do MS press CAPTION ID | settle MS | dismiss MS CAPTION ID | settings KEY\n"
      "       | serve\n"
      "do, settle and dismiss exit with 0 when the panel is idle, 3 when one of its message\n"
      "boxes is open, 4 when it is still busy after MS milliseconds. resources counts the handles\n"
      "in the system's handle list and, where the system cannot tell (Wine), GDI objects in the\n"
      "process's GDI handle table and user objects as the process's windows. serve reads one\n"
      "verb a line, its fields separated by tabs, and answers each with its output and a line\n"
      "\"@@ STATUS\".\n",
      stderr);
}

// args[0] is the verb.
int Run(const std::vector<std::wstring>& args) {
  const std::size_t count = args.size();
  if (count < 1) {
    Usage();
    return 2;
  }
  const std::wstring& verb = args[0];
  auto number = [&](std::size_t i) { return Number(args[i]); };
  auto deadline = [&](std::size_t i) {
    return Clock::now() + std::chrono::milliseconds(number(i));
  };
  if (verb == L"ping") return Ping();
  if (verb == L"windows") return Windows();
  if (verb == L"resources") return Resources();
  if (verb == L"command" && count == 2) {
    HWND panel = FindPanel();
    if (panel == nullptr) return Fail("no control-panel window");
    return PostMessageW(panel, WM_COMMAND, static_cast<WPARAM>(number(1)), 0) ? 0 : 1;
  }
  if (verb == L"tray" && count == 3) {
    HWND panel = FindPanel();
    if (panel == nullptr) return Fail("no control-panel window");
    return PostMessageW(panel, kTrayNotify, static_cast<WPARAM>(number(1)), number(2)) ? 0 : 1;
  }
  if (verb == L"tab" && count == 2) return SelectTab(static_cast<int>(number(1)));
  if (verb == L"click" && count == 2) return ClickOnPage(static_cast<int>(number(1)));
  if (verb == L"state" && count == 2) return PageState(static_cast<int>(number(1)));
  if (verb == L"slider" && count == 2) return Slider(static_cast<int>(number(1)));
  if (verb == L"sheet" && count == 1) return SheetOnTop(false);
  if (verb == L"sheet" && count == 2 && args[1] == L"raise") return SheetOnTop(true);
  if (verb == L"box" && count == 2) return ShowBox(args[1]);
  if (verb == L"press" && count == 3) return PressInWindow(args[1], static_cast<int>(number(2)));
  if (verb == L"do" && count >= 3) {
    return Do(deadline(1), std::vector<std::wstring>(args.begin() + 2, args.end()));
  }
  if (verb == L"settle" && count == 2) return Settle(deadline(1));
  if (verb == L"dismiss" && count == 4) {
    return Dismiss(deadline(1), args[2], static_cast<int>(number(3)));
  }
  if (verb == L"settings" && count == 2) return Settings(args[1]);
  Usage();
  return 2;
}

std::vector<std::wstring> SplitFields(const std::wstring& line) {
  std::vector<std::wstring> fields(1);
  for (wchar_t c : line) {
    if (c == L'\t') {
      fields.emplace_back();
    } else if (c != L'\r' && c != L'\n') {
      fields.back() += c;
    }
  }
  return fields;
}

// A long soak asks thousands of questions; one process answering them all spares it the start
// of a Windows process for each. Messages of failures go to the same stream as the answers.
int Serve() {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  _dup2(_fileno(stdout), _fileno(stderr));
  char line[4096];
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
    const int status = Run(SplitFields(Widen(line)));
    std::printf("@@ %d\n", status);
  }
  return 0;
}

}  // namespace

int main() {
  std::vector<std::wstring> args = WideArguments();
  if (args.size() == 2 && args[1] == L"serve") return Serve();
  return Run(std::vector<std::wstring>(args.begin() + (args.empty() ? 0 : 1), args.end()));
}
