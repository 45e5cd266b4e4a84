// Whether the device is present, and putting its audio filter in place. Both go through the
// maker's filter-support library "Zanfilter.dll" beside the program, loaded anew for each
// question and freed before the answer; presence also needs the device on the USB bus.
#pragma once

#include <cstdint>
#include <string>

#include "device/UsbBusWalk.h"
#include "platform/DeviceIo.h"
#include "platform/FilterLibrary.h"
#include "platform/NameConverter.h"
#include "platform/Prompt.h"
#include "platform/StringTable.h"
#include "platform/System.h"

namespace quendal {

// What the control-panel window asks.
class DevicePresence {
 public:
  virtual ~DevicePresence() = default;
  // Non-zero when the library says the driver is installed and the device is on the bus.
  virtual int IsDevicePresent() = 0;
  // False only when the library or its export is missing, which the caller treats as fatal.
  virtual bool RegisterAudioFilter() = 0;
};

class UsbDevicePresence : public DevicePresence {
 public:
  UsbDevicePresence(DeviceIo& io, FilterLibrary& library, System& system,
                    const StringTable& strings, Prompt& prompt, NameConverter& names);

  int IsDevicePresent() override;
  bool RegisterAudioFilter() override;

  // A warning box with no owner: the string-table entry `id` (empty when there is none)
  // under the warning caption.
  void ShowWarningMessage(unsigned id);
  int FindDeviceOnUsbBus() { return m_walk.FindDeviceOnUsbBus(); }

  // The executable's folder, with its final backslash, followed by the library's name;
  // empty when the executable's path has no folder.
  std::wstring LibraryPath() const;

 private:
  // The warning for a code AddUSBAudioFilter left: the text its low 16 bits name when they are
  // one of the library's own codes, otherwise an empty box.
  void ShowFilterWarning(std::uint32_t code);
  void ShowWarningText(const std::wstring& text);

  FilterLibrary& m_library;
  System& m_system;
  const StringTable& m_strings;
  Prompt& m_prompt;
  UsbBusWalk m_walk;
};

}  // namespace quendal
