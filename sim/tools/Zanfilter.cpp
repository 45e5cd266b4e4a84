// The stand-in filter-support library: answers the program's two questions from the simulated
// device. Both exports take nothing and return a 32-bit int.
#include <windows.h>

#include "SimClient.h"
#include "SimProtocol.h"

namespace {

// Codes left in the thread's last-error value, as the program's string table knows them.
constexpr DWORD kErrorDeviceNotPlugged = 65335;
constexpr DWORD kErrorDeviceNotInstalled = 65336;

}  // namespace

// The driver stays installed while the device is unplugged, so only a driver that is not
// running makes this zero.
extern "C" int IsDeviceInstalled() {
  const quendal::sim::SimClient client;
  return client.IsOpen() ? 1 : 0;
}

extern "C" int AddUSBAudioFilter() {
  DWORD error = 0;
  {
    quendal::sim::SimClient client;
    if (!client.IsOpen()) {
      error = kErrorDeviceNotInstalled;
    } else if (!client.Send(quendal::sim::IOCTL_SIM_ADD_AUDIO_FILTER)) {
      error = kErrorDeviceNotPlugged;
    }
  }
  // Set after the handle is closed, so that nothing overwrites it before the caller reads it.
  if (error != 0) SetLastError(error);
  return error == 0 ? 1 : 0;
}
