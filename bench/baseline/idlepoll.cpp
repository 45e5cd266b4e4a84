// The idle baseline: the least a program does to follow the source layout every 200 ms. A
// hidden window's timer opens the control path, sends one source-layout request with a 4-byte
// output and closes the path again; nothing else runs.
#include <windows.h>

#include "device/ControlCodes.h"

namespace {

constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollPeriodMs = 200;

void PollSourceLayout() {
  HANDLE channel =
      CreateFileA(quendal::kControlPath, GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (channel == INVALID_HANDLE_VALUE) return;
  quendal::SOURCE_CHANNEL_INFO info{};
  DWORD bytesReturned = 0;
  DeviceIoControl(channel, quendal::IOCTL_GET_SOURCE_CHANNELS, nullptr, 0, &info, sizeof info,
                  &bytesReturned, nullptr);
  CloseHandle(channel);
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

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
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
  return 0;
}
