// A device that is present or not, and a filter registration that succeeds or not, as the
// control-panel window sees them.
#pragma once

#include "device/DevicePresence.h"
#include "fakes/FakePrompt.h"
#include "ui/OpenBoxes.h"

namespace quendal::test {

class FakeDevicePresence : public DevicePresence {
 public:
  int IsDevicePresent() override {
    ++presenceQueries;
    return present ? 1 : 0;
  }
  // A warning, when asked for, is an unowned box, counted as the real presence counts it.
  bool RegisterAudioFilter() override {
    ++registrations;
    if (warns) {
      const OpenBoxScope box;
      warnings.ShowMessageBox(L"warning", L"caption", kMbOk);
    }
    return registers;
  }

  bool present = false;
  bool registers = true;
  bool warns = false;
  FakePrompt warnings;
  int presenceQueries = 0;
  int registrations = 0;
};

}  // namespace quendal::test
