// The idle baseline: the least a program does to follow the source layout every 200 ms. A
// hidden window's timer opens the control path, sends one source-layout request with a 4-byte
// output and closes the path again; nothing else runs.
//
// Two lesser programs show what the parts of that cost, as the floor under any program that
// follows the source layout at this rate:
//   --kept-handle  the path is opened once, at start; each tick only sends the request
//   --timer-only   each tick does nothing: the cost of waking every 200 ms
#include <windows.h>

#include <cwchar>

#include "device/ControlCodes.h"

namespace {

constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollPeriodMs = 200;

enum class Tick { kOpenRequestClose, kRequestOnKeptHandle, kNothing };

Tick g_tick = Tick::kOpenRequestClose;
HANDLE g_keptChannel = INVALID_HANDLE_VALUE;

HANDLE OpenControlPath() {
  return CreateFileA(quendal::kControlPath, GENERIC_READ | GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

void RequestSourceLayout(HANDLE channel) {
  quendal::SOURCE_CHANNEL_INFO info{};
  DWORD bytesReturned = 0;
  DeviceIoControl(channel, quendal::IOCTL_GET_SOURCE_CHANNELS, nullptr, 0, &info, sizeof info,
                  &bytesReturned, nullptr);
}

void PollSourceLayout() {
  switch (g_tick) {
    case Tick::kOpenRequestClose: {
      HANDLE channel = OpenControlPath();
      if (channel == INVALID_HANDLE_VALUE) return;
      RequestSourceLayout(channel);
      CloseHandle(channel);
      return;
    }
    case Tick::kRequestOnKeptHandle:
      if (g_keptChannel != INVALID_HANDLE_VALUE) RequestSourceLayout(g_keptChannel);
      return;
    case Tick::kNothing:
      return;
  }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kPollTimer) {
    PollSourceLayout();
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

Tick TickOf(PCWSTR commandLine) {
  if (std::wcsstr(commandLine, L"--kept-handle") != nullptr) return Tick::kRequestOnKeptHandle;
  if (std::wcsstr(commandLine, L"--timer-only") != nullptr) return Tick::kNothing;
  return Tick::kOpenRequestClose;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  g_tick = TickOf(commandLine);
  if (g_tick == Tick::kRequestOnKeptHandle) g_keptChannel = OpenControlPath();
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"QuendalIdlePoll";
  if (!RegisterClassW(&windowClass)) return 1;
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"idlepoll", WS_OVERLAPPEDWINDOW, 0,
                                0, 100, 100, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  SetTimer(window, kPollTimer, kPollPeriodMs, nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  if (g_keptChannel != INVALID_HANDLE_VALUE) CloseHandle(g_keptChannel);
  return 0;
}
