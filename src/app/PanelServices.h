// The ports through which the program's windows reach the system, handed from the program's
// entry point (or a test) to the control-panel window, which hands each window what it needs.
#pragma once

#include "device/DevicePresence.h"
#include "platform/AudioEndpoints.h"
#include "platform/Bitmaps.h"
#include "platform/DeviceIo.h"
#include "platform/Mixer.h"
#include "platform/Pad.h"
#include "platform/Registry.h"
#include "platform/Sound.h"
#include "platform/StringTable.h"
#include "platform/System.h"
#include "platform/Tray.h"
#include "speakertest/SurroundTest.h"
#include "ui/WindowFactory.h"

namespace quendal {

struct PanelServices {
  DeviceIo& device;
  Registry& registry;
  const StringTable& strings;
  System& system;
  Sound& sound;
  Mixer& mixer;
  AudioEndpoints& endpoints;
  Tray& tray;
  DevicePresence& presence;
  WindowFactory& windows;
  Bitmaps& bitmaps;
  Pad& pad;
  // The surround dot's place and saved colours, kept for the life of the process.
  SurroundDotGlobals& surroundDot;
};

}  // namespace quendal
