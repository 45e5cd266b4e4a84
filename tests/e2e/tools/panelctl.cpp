// panelctl: drives the running control panel from outside, as the system and a user would:
// window messages, tray callbacks, tab selection, button clicks and message boxes, and reads back
// what the windows show. Used by the end-to-end scenarios, the soak and the sound checks under
// Wine; prints what it sees and exits non-zero when it cannot act.
//
// An action (command, tray, tab, click, clickin, press) is posted and panelctl returns at
// once; `do MS ACTION ...` sends the same message and waits until the panel has handled it.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>
#include <winternl.h>

#include <io.h>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "resource_ids.h"

namespace {

using Args = std::vector<std::wstring>;
using Clock = std::chrono::steady_clock;

constexpr wchar_t kPanelTitle[] = L"Quendal5.1RIR: \x63a7\x5236\x53f0";

// The captions of the panel's own message boxes: the refused request, the driver that cannot be
// loaded, and the warnings.
constexpr const wchar_t* kBoxCaptions[] = {
    L"IO \x63a7\x5236\x932f\x8aa4", L"Quendal5.1RIR: \x932f\x8aa4", L"Quendal5.1RIR: \x8b66\x544a"};

// Exit statuses. The verbs that wait for the panel end with kIdle, kBoxShown or kStillBusy.
constexpr int kIdle = 0;
constexpr int kNo = 1;
constexpr int kFailed = 2;
constexpr int kBoxShown = 3;
constexpr int kStillBusy = 4;

constexpr DWORD kPollMs = 20;
constexpr UINT kAnswerTimeoutMs = 5000;

int Fail(const char* what) {
  std::fprintf(stderr, "panelctl: %s\n", what);
  return kFailed;
}

long Number(const std::wstring& text) { return std::wcstol(text.c_str(), nullptr, 0); }
int Id(const std::wstring& text) { return static_cast<int>(Number(text)); }

void PrintUtf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), size, nullptr, nullptr);
  std::fputs(utf8.c_str(), stdout);
}

std::wstring Widen(const char* text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size - 1 : 0), L'\0');
  if (size > 1) MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), size);
  return wide;
}

void PrintRect(const RECT& rect) {
  std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
}

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

using UniqueHandle = std::unique_ptr<void, decltype(&CloseHandle)>;

UniqueHandle OpenWindowProcess(DWORD process, DWORD access) {
  return UniqueHandle(OpenProcess(access, FALSE, process), &CloseHandle);
}

// ---- Finding the windows

// A window found, or why there is none.
struct Found {
  HWND window;
  const char* failure;
  explicit operator bool() const { return window != nullptr; }
};

int Fail(const Found& found) { return Fail(found.failure); }

Found Panel() { return {FindWindowW(L"#32770", kPanelTitle), "no control-panel window"}; }

DWORD PanelProcess() {
  DWORD process = 0;
  if (const Found panel = Panel()) GetWindowThreadProcessId(panel.window, &process);
  return process;
}

struct WindowInfo {
  HWND window;
  std::wstring title;
  std::wstring className;
  bool visible;
};

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
Found Sheet() {
  const Found panel = Panel();
  if (!panel) return panel;
  for (HWND child = FindWindowExW(panel.window, nullptr, L"#32770", nullptr); child != nullptr;
       child = FindWindowExW(panel.window, child, L"#32770", nullptr)) {
    if (FindWindowExW(child, nullptr, WC_TABCONTROLW, nullptr) != nullptr) return {child, nullptr};
  }
  return {nullptr, "no property sheet"};
}

Found SheetTabs() {
  const Found sheet = Sheet();
  if (!sheet) return sheet;
  return {FindWindowExW(sheet.window, nullptr, WC_TABCONTROLW, nullptr), "no tab control"};
}

Found CurrentPage() {
  const Found sheet = Sheet();
  if (!sheet) return sheet;
  return {reinterpret_cast<HWND>(SendMessageW(sheet.window, PSM_GETCURRENTPAGEHWND, 0, 0)),
          "no current page"};
}

Found PageControl(int id) {
  const Found page = CurrentPage();
  if (!page) return page;
  return {GetDlgItem(page.window, id), "no such control on the page"};
}

// A shown top-level window of any process (a second instance's box has no panel).
Found VisibleWindow(const std::wstring& title) {
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
  return {search.found, "no such window"};
}

Found WindowControl(const std::wstring& title, int id) {
  const Found window = VisibleWindow(title);
  if (!window) return window;
  return {GetDlgItem(window.window, id), "no such control in the window"};
}

// Looks again every few milliseconds until the window is there or the deadline has passed.
template <typename Find>
Found WaitFor(Clock::time_point deadline, Find find) {
  Found found = find();
  while (!found && Clock::now() < deadline) {
    Sleep(kPollMs);
    found = find();
  }
  return found;
}

// The deadline of a verb's optional last argument MS: now when it is left out.
Clock::time_point OptionalDeadline(const Args& args, std::size_t index);

// One of the panel's message boxes, shown or about to be shown.
HWND FindPanelBox(DWORD process) {
  for (const WindowInfo& info : ProcessWindows(process)) {
    for (const wchar_t* caption : kBoxCaptions) {
      if (info.title == caption) return info.window;
    }
  }
  return nullptr;
}

// Sends a message whose answer the window, a control of another process, writes into memory
// given with the message: the memory is lent in that process's address space. `prepare` fills
// the record before it is sent, knowing where it lies there; the answer comes back in `record`.
template <typename Prepare>
bool SendWithLentMemory(HWND window, UINT message, WPARAM wParam,
                        std::vector<unsigned char>& record, Prepare prepare) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  const UniqueHandle target =
      OpenWindowProcess(process, PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE);
  if (!target) return false;
  void* remote = VirtualAllocEx(target.get(), nullptr, record.size(), MEM_COMMIT | MEM_RESERVE,
                                PAGE_READWRITE);
  if (remote == nullptr) return false;
  prepare(record.data(), reinterpret_cast<std::uintptr_t>(remote));
  DWORD_PTR ignored = 0;
  const bool answered =
      WriteProcessMemory(target.get(), remote, record.data(), record.size(), nullptr) &&
      SendMessageTimeoutW(window, message, wParam, reinterpret_cast<LPARAM>(remote),
                          SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &ignored) &&
      ReadProcessMemory(target.get(), remote, record.data(), record.size(), nullptr);
  VirtualFreeEx(target.get(), remote, 0, MEM_RELEASE);
  return answered;
}

// A rectangle that a common control writes in its client coordinates, in screen coordinates.
bool RemoteRectOnScreen(HWND control, UINT message, WPARAM wParam, RECT& rect) {
  std::vector<unsigned char> record(sizeof(RECT));
  if (!SendWithLentMemory(control, message, wParam, record,
                          [](unsigned char*, std::uintptr_t) {})) {
    return false;
  }
  std::memcpy(&rect, record.data(), sizeof(rect));
  MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  return true;
}

bool HoldsCapture(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) &&
         info.hwndCapture == window;
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

// ---- Actions: the message a gesture amounts to, and the window it goes to

struct Delivery {
  Found target;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

Delivery ToPanel(UINT message, WPARAM wParam, LPARAM lParam) {
  return {Panel(), message, wParam, lParam};
}

Delivery Command(const Args& args) {
  return ToPanel(WM_COMMAND, static_cast<WPARAM>(Number(args[0])), 0);
}

Delivery Tray(const Args& args) {
  return ToPanel(WM_TRAYNOTIFY, static_cast<WPARAM>(Number(args[0])), Number(args[1]));
}

// Any message, as the system or another program would post it (the session's end, a resume, a
// forged notification): to the panel, the sheet, its current page or a shown window by caption.
Delivery MessageTo(const Found& target, const Args& args) {
  return {target, static_cast<UINT>(Number(args[0])), static_cast<WPARAM>(Number(args[1])),
          Number(args[2])};
}

Delivery Message(const Args& args) { return MessageTo(Panel(), args); }

Delivery SheetMessage(const Args& args) { return MessageTo(Sheet(), args); }

Delivery PageMessage(const Args& args) { return MessageTo(CurrentPage(), args); }

Delivery MessageToWindow(const Args& args) {
  return MessageTo(VisibleWindow(args[0]), Args(args.begin() + 1, args.end()));
}

Delivery Tab(const Args& args) {
  return {Sheet(), PSM_SETCURSEL, static_cast<WPARAM>(Number(args[0])), 0};
}

Delivery ClickOnPage(const Args& args) { return {PageControl(Id(args[0])), BM_CLICK, 0, 0}; }

// A radio button checks itself only when it is clicked, so the click goes to the control.
Delivery ClickInWindow(const Args& args) {
  return {WindowControl(args[0], Id(args[1])), BM_CLICK, 0, 0};
}

// The command itself, as the button sends it: a simulated click is lost when the window (a
// message box, say) is not the active one.
Delivery Press(const Args& args) {
  const int id = Id(args[1]);
  const Found button = WindowControl(args[0], id);
  if (!button) return {button, 0, 0, 0};
  return {{GetParent(button.window), nullptr},
          WM_COMMAND,
          MAKEWPARAM(id, BN_CLICKED),
          reinterpret_cast<LPARAM>(button.window)};
}

struct Action {
  std::wstring_view name;
  Delivery (*resolve)(const Args&);
  std::size_t argCount;
  const char* usage;
};

constexpr Action kActions[] = {
    {L"command", Command, 1, "command ID                the panel's WM_COMMAND"},
    {L"tray", Tray, 2, "tray ICON MOUSE_MESSAGE   the tray icon's callback"},
    {L"message", Message, 3, "message MSG WPARAM LPARAM any message to the panel"},
    {L"sheetmessage", SheetMessage, 3, "sheetmessage MSG WPARAM LPARAM a message to the sheet"},
    {L"pagemessage", PageMessage, 3, "pagemessage MSG WPARAM LPARAM a message to the current page"},
    {L"messagein", MessageToWindow, 4, "messagein CAPTION MSG WPARAM LPARAM to a shown window"},
    {L"tab", Tab, 1, "tab INDEX                 select a page of the sheet"},
    {L"click", ClickOnPage, 1, "click ID                  BM_CLICK on a control of the page"},
    {L"clickin", ClickInWindow, 2, "clickin CAPTION ID        BM_CLICK on a control of a window"},
    {L"press", Press, 2, "press CAPTION ID          a button's command to its window"},
};

const Action* FindAction(const std::wstring& name, std::size_t argCount) {
  for (const Action& action : kActions) {
    if (action.name == name && action.argCount == argCount) return &action;
  }
  return nullptr;
}

// Posted: what the message starts may open a message box that waits for this very tool.
int PostAction(const Action& action, const Args& args) {
  const Delivery delivery = action.resolve(args);
  if (!delivery.target) return Fail(delivery.target);
  return PostMessageW(delivery.target.window, delivery.message, delivery.wParam, delivery.lParam)
             ? kIdle
             : kNo;
}

// ---- Waiting for the panel

DWORD MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
}

Clock::time_point DeadlineIn(const std::wstring& milliseconds) {
  return Clock::now() + std::chrono::milliseconds(Number(milliseconds));
}

Clock::time_point OptionalDeadline(const Args& args, std::size_t index) {
  return args.size() > index ? DeadlineIn(args[index]) : Clock::now();
}

// The window that holds the mouse captured in the panel's thread, or none.
HWND PanelCapture(DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return GetGUIThreadInfo(thread, &info) ? info.hwndCapture : nullptr;
}

// Waits until the panel holds the mouse captured: a button pressed, a slider's thumb held. A
// pointer's click is then known to have arrived, and the release that follows is waited for by
// settle.
int Capture(const Args& args) {
  const Found panel = Panel();
  if (!panel) return Fail(panel);
  const DWORD thread = GetWindowThreadProcessId(panel.window, nullptr);
  const Clock::time_point deadline = DeadlineIn(args[0]);
  HWND captured = PanelCapture(thread);
  for (; captured == nullptr; captured = PanelCapture(thread)) {
    if (Clock::now() > deadline) {
      std::puts("busy: the mouse is not captured");
      return kStillBusy;
    }
    Sleep(kPollMs);
  }
  std::printf("id=%d\n", GetDlgCtrlID(captured));
  return kIdle;
}

// Waits until the panel has handled what was queued for it. A mouse button that it still holds
// captured is waited for first; then a sent message comes back once the panel reads its messages
// again: idle, or inside one of its message boxes.
int Settle(Clock::time_point deadline) {
  const Found panel = Panel();
  if (!panel) return Fail(panel);
  DWORD process = 0;
  const DWORD thread = GetWindowThreadProcessId(panel.window, &process);
  while (PanelCapture(thread) != nullptr) {
    if (Clock::now() > deadline) {
      std::puts("busy: the mouse is still captured");
      return kStillBusy;
    }
    Sleep(kPollMs);
  }
  DWORD_PTR ignored = 0;
  if (!SendMessageTimeoutW(panel.window, WM_NULL, 0, 0, SMTO_NORMAL, MillisecondsLeft(deadline),
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

DWORD WINAPI SendOnThread(void* parameter) {
  const std::unique_ptr<Delivery> delivery(static_cast<Delivery*>(parameter));
  SendMessageW(delivery->target.window, delivery->message, delivery->wParam, delivery->lParam);
  return 0;
}

// Sends the action's message and waits for its handler to end. A handler that shows one of the
// panel's message boxes ends only when the box is closed, so the wait also ends when such a box
// appears; the sending thread is then left waiting for that end.
int SendAndWait(Clock::time_point deadline, const Delivery& delivery) {
  if (!delivery.target) return Fail(delivery.target);
  const DWORD process = PanelProcess();
  if (HWND box = FindPanelBox(process)) {
    PrintBox("a message box is already open: ", box);
    return kFailed;
  }
  auto sent = std::make_unique<Delivery>(delivery);
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

// ---- The verbs

int Ping(const Args&) {
  const Found panel = Panel();
  if (!panel) return Fail(panel);
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(panel.window, WM_PANEL_PING, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                           &result)) {
    return Fail("no answer");
  }
  std::printf("%lu\n", static_cast<unsigned long>(result));
  return result == 1 ? kIdle : kNo;
}

int Windows(const Args&) {
  const DWORD process = PanelProcess();
  if (process == 0) return Fail(Panel());
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
  return kIdle;
}

// The child windows of the panel's property sheet, with their ids and visibility.
int SheetChildren(const Args&) {
  const Found sheet = Sheet();
  if (!sheet) return Fail(sheet);
  EnumChildWindows(
      sheet.window,
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
  return kIdle;
}

// The text of a message box (its static control 0xFFFF), waited for up to MS milliseconds.
int ShowBox(const Args& args) {
  const Found box = WaitFor(OptionalDeadline(args, 1), [&] { return VisibleWindow(args[0]); });
  if (!box) return Fail("no such message box");
  wchar_t text[1024] = {};
  GetDlgItemTextW(box.window, 0xFFFF, text, 1024);
  PrintUtf8(text);
  std::printf("\n");
  return kIdle;
}

int PageState(const Args& args) {
  const int id = Id(args[0]);
  const Found control = PageControl(id);
  if (!control) return Fail(control);
  // WM_GETTEXT itself: GetWindowText does not ask a control of another process for its text.
  wchar_t text[256] = {};
  SendMessageW(control.window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
  std::printf("checked=%d enabled=%d text=",
              IsDlgButtonChecked(GetParent(control.window), id) == BST_CHECKED,
              IsWindowEnabled(control.window) != FALSE);
  PrintUtf8(text);
  std::printf("\n");
  return kIdle;
}

int PrintWindowRect(const Found& found) {
  if (!found) return Fail(found);
  RECT rect{};
  GetWindowRect(found.window, &rect);
  PrintRect(rect);
  return kIdle;
}

// A shown top-level window on screen, waited for up to MS milliseconds.
int ShownWindow(const Args& args) {
  return PrintWindowRect(
      WaitFor(OptionalDeadline(args, 1), [&] { return VisibleWindow(args[0]); }));
}

// The screen rectangle of a control on the current page (left top right bottom), waited for up
// to MS milliseconds: the page that holds it may be on its way.
int PageControlRect(const Args& args) {
  const int id = Id(args[0]);
  return PrintWindowRect(WaitFor(OptionalDeadline(args, 1), [id] { return PageControl(id); }));
}

// The screen rectangle of a control of a top-level window: left top right bottom.
int WindowControlRect(const Args& args) {
  return PrintWindowRect(WindowControl(args[0], Id(args[1])));
}

// A shown window's client area on screen ("client L T R B"), then each of its visible child
// windows: "ID CLASS KIND L T R B", KIND being "group" for a group box, "picture" for a bitmap or
// icon static and "control" for the rest; the layout checks read them.
int WindowLayout(const Args& args) {
  const Found window = VisibleWindow(args[0]);
  if (!window) return Fail(window);
  RECT client{};
  GetClientRect(window.window, &client);
  MapWindowPoints(window.window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  std::printf("client ");
  PrintRect(client);
  for (HWND child = GetWindow(window.window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    const std::wstring className = ClassOf(child);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    const char* kind = "control";
    if (className == L"Button" && (style & BS_TYPEMASK) == BS_GROUPBOX) kind = "group";
    const LONG staticType = style & SS_TYPEMASK;
    if (className == L"Static" && (staticType == SS_BITMAP || staticType == SS_ICON)) {
      kind = "picture";
    }
    RECT rect{};
    GetWindowRect(child, &rect);
    std::printf("%d ", GetDlgCtrlID(child));
    PrintUtf8(className);
    std::printf(" %s ", kind);
    PrintRect(rect);
  }
  return kIdle;
}

// The screen rectangle of a tab of the sheet, where a pointer selects its page.
int TabRect(const Args& args) {
  const Found tabs = SheetTabs();
  if (!tabs) return Fail(tabs);
  RECT rect{};
  if (!RemoteRectOnScreen(tabs.window, TCM_GETITEMRECT, static_cast<WPARAM>(Number(args[0])),
                          rect)) {
    return Fail("no such tab");
  }
  PrintRect(rect);
  return kIdle;
}

// The popup menu being shown.
Found ShownMenu() {
  HWND menu = FindWindowW(L"#32768", nullptr);
  return {menu != nullptr && IsWindowVisible(menu) ? menu : nullptr, "no menu shown"};
}

int MenuRect(const Args& args) {
  return PrintWindowRect(WaitFor(OptionalDeadline(args, 0), ShownMenu));
}

// One tool of a tooltip of another process: its text and its rectangle on screen.
bool RemoteTool(HWND tooltip, WPARAM index, std::wstring& text, RECT& rect) {
  constexpr std::size_t kTextChars = 1024;  // INFOTIPSIZE
  std::vector<unsigned char> record(sizeof(TTTOOLINFOW) + kTextChars * sizeof(wchar_t));
  const bool answered = SendWithLentMemory(
      tooltip, TTM_ENUMTOOLSW, index, record, [](unsigned char* local, std::uintptr_t remote) {
        TTTOOLINFOW info{};
        info.cbSize = sizeof(info);
        info.lpszText = reinterpret_cast<LPWSTR>(remote + sizeof(info));
        std::memcpy(local, &info, sizeof(info));
      });
  if (!answered) return false;
  TTTOOLINFOW info{};
  std::memcpy(&info, record.data(), sizeof(info));
  const auto* chars = reinterpret_cast<const wchar_t*>(record.data() + sizeof(info));
  text.assign(chars, wcsnlen(chars, kTextChars));
  rect = info.rect;
  MapWindowPoints(info.hwnd, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  return true;
}

// An icon of the notification area of the prefix's task bar, by its tip. Wine's task bar draws
// its icons itself and gives each one a tool of a tooltip that the task bar owns, with the icon's
// place as the tool's rectangle.
int TrayIconRect(const Args& args) {
  HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
  if (tray == nullptr) return Fail("no task bar");
  for (HWND tooltip = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); tooltip != nullptr;
       tooltip = FindWindowExW(nullptr, tooltip, TOOLTIPS_CLASSW, nullptr)) {
    if (GetWindow(tooltip, GW_OWNER) != tray) continue;
    const auto tools = static_cast<WPARAM>(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    for (WPARAM index = 0; index < tools; ++index) {
      std::wstring text;
      RECT rect{};
      if (RemoteTool(tooltip, index, text, rect) && text == args[0]) {
        PrintRect(rect);
        return kIdle;
      }
    }
  }
  return Fail("no icon with that tip in the notification area");
}

// Position, range, whether the slider holds the pointer, and its thumb and channel in screen
// coordinates: what a pointer needs to drag the slider to a position.
int Slider(const Args& args) {
  const Found slider = PageControl(Id(args[0]));
  if (!slider) return Fail(slider);
  RECT thumb{};
  RECT channel{};
  if (!RemoteRectOnScreen(slider.window, TBM_GETTHUMBRECT, 0, thumb) ||
      !RemoteRectOnScreen(slider.window, TBM_GETCHANNELRECT, 0, channel)) {
    return Fail("cannot read the slider's geometry");
  }
  std::printf("pos=%ld min=%ld max=%ld captured=%d thumb=%ld,%ld,%ld,%ld channel=%ld,%ld,%ld,%ld\n",
              static_cast<long>(SendMessageW(slider.window, TBM_GETPOS, 0, 0)),
              static_cast<long>(SendMessageW(slider.window, TBM_GETRANGEMIN, 0, 0)),
              static_cast<long>(SendMessageW(slider.window, TBM_GETRANGEMAX, 0, 0)),
              HoldsCapture(slider.window), thumb.left, thumb.top, thumb.right, thumb.bottom,
              channel.left, channel.top, channel.right, channel.bottom);
  return kIdle;
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

int Resources(const Args&) {
  const DWORD process = PanelProcess();
  if (process == 0) return Fail(Panel());
  const UniqueHandle handle =
      OpenWindowProcess(process, PROCESS_QUERY_INFORMATION | PROCESS_VM_READ);
  if (!handle) return Fail("cannot open the process");
  DWORD handles = 0;
  if (!OpenHandlesFromSystemList(process, handles)) GetProcessHandleCount(handle.get(), &handles);
  DWORD gdi = GetGuiResources(handle.get(), GR_GDIOBJECTS);
  if (gdi == 0) gdi = GdiObjectsFromHandleTable(handle.get());
  DWORD user = GetGuiResources(handle.get(), GR_USEROBJECTS);
  if (user == 0) user = WindowsOfProcess(process);
  std::printf("handles=%lu gdi=%lu user=%lu\n", handles, gdi, user);
  return kIdle;
}

// Every REG_DWORD of a key under HKEY_LOCAL_MACHINE, one "name=value" line each, in decimal.
int Settings(const Args& args) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, args[0].c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
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
  return kIdle;
}

int Do(const Args& args) {
  const Action* action = FindAction(args[1], args.size() - 2);
  if (action == nullptr) return Fail("do: an action and its arguments, as alone");
  return SendAndWait(DeadlineIn(args[0]), action->resolve(Args(args.begin() + 2, args.end())));
}

int SettleVerb(const Args& args) { return Settle(DeadlineIn(args[0])); }

// Closes a message box with one of its buttons, as a user would, and waits until the panel is
// past it.
int Dismiss(const Args& args) {
  const Clock::time_point deadline = DeadlineIn(args[0]);
  const Args box(args.begin() + 1, args.end());
  const Found shown = WaitFor(deadline, [&] { return VisibleWindow(box[0]); });
  if (!shown) return Fail("no such message box");
  const Delivery press = Press(box);
  if (!press.target) return Fail(press.target);
  PrintBox("dismissed ", shown.window);
  PostMessageW(press.target.window, press.message, press.wParam, press.lParam);
  // A box ends; a modeless window such as the About box is hidden.
  while (IsWindowVisible(shown.window)) {
    if (Clock::now() > deadline) {
      std::puts("busy: the box stays open");
      return kStillBusy;
    }
    Sleep(kPollMs);
  }
  return Settle(deadline);
}

int Serve(const Args&);

struct Verb {
  std::wstring_view name;
  int (*run)(const Args&);
  std::size_t minArgs;
  std::size_t maxArgs;
  const char* usage;
};

constexpr Verb kVerbs[] = {
    {L"do", Do, 2, 6, "do MS ACTION ARGS...      send an action and wait for the panel"},
    {L"settle", SettleVerb, 1, 1, "settle MS                 wait until the panel is idle"},
    {L"dismiss", Dismiss, 3, 3, "dismiss MS CAPTION ID     close a box with a button, then settle"},
    {L"capture", Capture, 1, 1, "capture MS                wait until the panel holds the mouse"},
    {L"ping", Ping, 0, 0, "ping                      message 1035; prints its answer"},
    {L"windows", Windows, 0, 0, "windows                   the panel's top-level windows"},
    {L"sheet", SheetChildren, 0, 0, "sheet                     the controls of the sheet"},
    {L"shown", ShownWindow, 1, 2, "shown CAPTION [MS]        a shown window on screen, waited for"},
    {L"box", ShowBox, 1, 2, "box CAPTION [MS]          the text of a box, waited for"},
    {L"state", PageState, 1, 1, "state ID                  checked, enabled, text of a control"},
    {L"rect", PageControlRect, 1, 2, "rect ID [MS]              a control of the page, waited for"},
    {L"rectin", WindowControlRect, 2, 2,
     "rectin CAPTION ID         a control of a window on screen"},
    {L"layout", WindowLayout, 1, 1,
     "layout CAPTION            a window's client area and its controls"},
    {L"tabrect", TabRect, 1, 1, "tabrect INDEX             a tab of the sheet on screen"},
    {L"menurect", MenuRect, 0, 1, "menurect [MS]             the popup menu on screen, waited for"},
    {L"trayicon", TrayIconRect, 1, 1,
     "trayicon TIP              a notification-area icon on screen"},
    {L"slider", Slider, 1, 1, "slider ID                 position, range, capture, geometry"},
    {L"resources", Resources, 0, 0, "resources                 the panel's handles, GDI, user"},
    {L"settings", Settings, 1, 1, "settings KEY              the REG_DWORDs of an HKLM key"},
    {L"serve", Serve, 0, 0, "serve                     one verb a line from standard input"},
};

int Usage() {
  std::fputs("usage: panelctl VERB ARGS...\nactions, posted:\n", stderr);
  for (const Action& action : kActions) std::fprintf(stderr, "  %s\n", action.usage);
  std::fputs("verbs:\n", stderr);
  for (const Verb& verb : kVerbs) std::fprintf(stderr, "  %s\n", verb.usage);
  std::fputs(
      "do, settle and dismiss exit with 0 when the panel is idle, 3 when one of its message boxes\n"
      "is open (printed as \"box CAPTION: TEXT\"), 4 when it is still busy after MS milliseconds.\n"
      "resources counts the handles in the system's handle list and, where the system cannot\n"
      "tell (Wine), GDI objects in the process's GDI handle table and user objects as the\n"
      "process's windows. serve takes the fields of a verb separated by tabs and answers each\n"
      "line with its output and a line \"@@ STATUS\".\n",
      stderr);
  return kFailed;
}

// args[0] is the verb.
int Run(const Args& args) {
  if (args.empty()) return Usage();
  const Args rest(args.begin() + 1, args.end());
  if (const Action* action = FindAction(args[0], rest.size())) return PostAction(*action, rest);
  for (const Verb& verb : kVerbs) {
    if (verb.name == args[0] && rest.size() >= verb.minArgs && rest.size() <= verb.maxArgs) {
      return verb.run(rest);
    }
  }
  return Usage();
}

Args SplitFields(const std::wstring& line) {
  Args fields(1);
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
int Serve(const Args&) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  _dup2(_fileno(stdout), _fileno(stderr));
  char line[4096];
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
    const int status = Run(SplitFields(Widen(line)));
    std::printf("@@ %d\n", status);
  }
  return kIdle;
}

}  // namespace

// Wide arguments: captions are Chinese, whatever the ANSI code page of the prefix.
int wmain(int argc, wchar_t** argv) { return Run(Args(argv + 1, argv + argc)); }
