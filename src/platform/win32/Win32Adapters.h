// One Win32 adapter behind each port, as the running program uses them.
#pragma once

#include "app/PanelServices.h"
#include "platform/win32/Win32AudioEndpoints.h"
#include "platform/win32/Win32Bitmaps.h"
#include "platform/win32/Win32DeviceIo.h"
#include "platform/win32/Win32FilterLibrary.h"
#include "platform/win32/Win32InstanceLock.h"
#include "platform/win32/Win32Mixer.h"
#include "platform/win32/Win32NameConverter.h"
#include "platform/win32/Win32Pad.h"
#include "platform/win32/Win32Prompt.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Sound.h"
#include "platform/win32/Win32StringTable.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/Win32Tray.h"
#include "platform/win32/Win32WindowFactory.h"

namespace quendal {

struct Win32Adapters {
  PanelServices Services() {
    return {device, registry, strings, system,  sound, mixer,      endpoints,
            tray,   presence, windows, bitmaps, pad,   surroundDot};
  }

  Win32DeviceIo device;
  Win32Registry registry;
  Win32StringTable strings;
  Win32System system;
  Win32Sound sound;
  Win32Mixer mixer;
  Win32AudioEndpoints endpoints;
  Win32Tray tray;
  Win32Prompt prompt;
  Win32FilterLibrary library;
  Win32NameConverter names;
  UsbDevicePresence presence{device, library, system, strings, prompt, names};
  Win32WindowFactory windows;
  Win32Bitmaps bitmaps;
  Win32Pad pad;
  Win32InstanceLock instanceLock;
  SurroundDotGlobals surroundDot;
};

}  // namespace quendal
