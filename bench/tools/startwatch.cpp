// Measures a program's start-up from outside: the time from CreateProcess to the moment the
// shell shows a new notification-area icon, then ends the program with its Exit command.
//
// The shell of the prefix (Wine's explorer) gives every icon it adds a tooltip window of its
// own, made while it handles the NIM_ADD that the program's Shell_NotifyIcon sends; so a new
// tooltip window of the shell's process marks the icon as added, whatever program added it.
// The watcher looks once a millisecond with one window-class search, which costs the program
// under measurement next to nothing.
//
//   usage: startwatch [--exit-command ID] PROGRAM
//   prints the milliseconds, with one decimal; exits 1 when no icon came within 30 s.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

constexpr DWORD kIconTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 10000;

DWORD ShellProcess() {
  DWORD process = 0;
  if (HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr)) GetWindowThreadProcessId(tray, &process);
  return process;
}

int ShellTooltips(DWORD shell) {
  int count = 0;
  for (HWND window = FindWindowExW(nullptr, nullptr, L"tooltips_class32", nullptr);
       window != nullptr; window = FindWindowExW(nullptr, window, L"tooltips_class32", nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == shell) ++count;
  }
  return count;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
         static_cast<double>(frequency.QuadPart);
}

struct ExitRequest {
  DWORD process;
  WORD command;
};

// The command goes to the program's own top-level windows that no other window owns: the one
// that holds the icon is among them.
void PostExitCommand(DWORD process, WORD command) {
  ExitRequest request{process, command};
  EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        const auto* r = reinterpret_cast<const ExitRequest*>(parameter);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == r->process && GetWindow(window, GW_OWNER) == nullptr) {
          PostMessageW(window, WM_COMMAND, r->command, 0);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&request));
}

void EndProgram(const PROCESS_INFORMATION& child, WORD exitCommand) {
  if (exitCommand != 0) PostExitCommand(child.dwProcessId, exitCommand);
  if (WaitForSingleObject(child.hProcess, exitCommand != 0 ? kExitTimeoutMs : 0) != WAIT_OBJECT_0) {
    TerminateProcess(child.hProcess, 1);
    WaitForSingleObject(child.hProcess, kExitTimeoutMs);
  }
}

int Usage() {
  std::fwprintf(stderr, L"usage: startwatch [--exit-command ID] PROGRAM\n");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  WORD exitCommand = 0;
  int next = 1;
  if (argc == 4 && std::wcscmp(argv[1], L"--exit-command") == 0) {
    exitCommand = static_cast<WORD>(std::wcstoul(argv[2], nullptr, 10));
    next = 3;
  }
  if (next != argc - 1) return Usage();

  const DWORD shell = ShellProcess();
  if (shell == 0) {
    std::fwprintf(stderr, L"startwatch: no notification area in this desktop\n");
    return 1;
  }
  const int before = ShellTooltips(shell);
  std::wstring commandLine = L"\"" + std::wstring(argv[next]) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};

  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &child)) {
    std::fwprintf(stderr, L"startwatch: cannot start %ls (error %lu)\n", argv[next],
                  GetLastError());
    return 1;
  }
  LARGE_INTEGER now = start;
  bool added = false;
  while (Milliseconds(start, now) < kIconTimeoutMs) {
    if (ShellTooltips(shell) > before) {
      added = true;
      break;
    }
    if (WaitForSingleObject(child.hProcess, 0) == WAIT_OBJECT_0) break;
    Sleep(1);
    QueryPerformanceCounter(&now);
  }
  QueryPerformanceCounter(&now);
  EndProgram(child, exitCommand);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  if (!added) {
    std::fwprintf(stderr, L"startwatch: %ls added no icon\n", argv[next]);
    return 1;
  }
  std::wprintf(L"%.1f\n", Milliseconds(start, now));
  return 0;
}
