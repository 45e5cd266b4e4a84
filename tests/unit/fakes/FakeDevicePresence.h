// A device that is present or not, and a filter registration that succeeds or not, as the
// control-panel window sees them.
#pragma once

#include "device/DevicePresence.h"

namespace quendal::test {

class FakeDevicePresence : public DevicePresence {
 public:
  int IsDevicePresent() override {
    ++presenceQueries;
    return present ? 1 : 0;
  }
  bool RegisterAudioFilter() override {
    ++registrations;
    return registers;
  }

  bool present = false;
  bool registers = true;
  int presenceQueries = 0;
  int registrations = 0;
};

}  // namespace quendal::test
