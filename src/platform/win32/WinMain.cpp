// The program's entry point: the Win32 adapters behind every port, then the application
// object's start-up and exit steps.
#include <windows.h>

#include <commctrl.h>

#include "app/ControlPanelApp.h"
#include "platform/win32/Win32Adapters.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  quendal::Win32FilterLibrary::ConfineProcessSearch();
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);

  quendal::Win32Adapters adapters;
  quendal::CControlPanelApp app(adapters.Services(), adapters.instanceLock, adapters.prompt);
  app.InitInstance();
  return app.ExitInstance();
}
