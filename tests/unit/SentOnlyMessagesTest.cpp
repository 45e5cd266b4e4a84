#include "ui/SentOnlyMessages.h"

#include <gtest/gtest.h>

#include "platform/WindowsValues.h"
#include "resource_ids.h"

namespace quendal::test {
namespace {

struct MessageCase {
  unsigned message;
  const char* name;
  bool sentOnly;
};

// The records the window procedures and the dialog manager read, and what reaches the program
// posted in its normal life: its own commands and wake-ups, the timers, the tray's callback, the
// device and power events, the session's end and the input.
constexpr MessageCase kMessageCases[] = {
    {kWmNotify, "WM_NOTIFY", true},
    {kWmDrawItem, "WM_DRAWITEM", true},
    {kWmDpiChanged, "WM_DPICHANGED", true},
    {kWmInitDialog, "WM_INITDIALOG", true},
    {kWmMeasureItem, "WM_MEASUREITEM", true},
    {kWmWindowPosChanging, "WM_WINDOWPOSCHANGING", true},
    {kWmNcCalcSize, "WM_NCCALCSIZE", true},
    {kWmCopyData, "WM_COPYDATA", true},
    {kWmSetText, "WM_SETTEXT", true},
    {0x0000, "WM_NULL", false},
    {0x0010, "WM_CLOSE", false},
    {0x0111, "WM_COMMAND", false},
    {0x0113, "WM_TIMER", false},
    {kWmQuit, "WM_QUIT", false},
    {kWmDeviceChange, "WM_DEVICECHANGE", false},
    {kWmPowerBroadcast, "WM_POWERBROADCAST", false},
    {kWmQueryEndSession, "WM_QUERYENDSESSION", false},
    {kWmEndSession, "WM_ENDSESSION", false},
    {WM_TRAYNOTIFY, "WM_TRAYNOTIFY", false},
    {WM_PANEL_PING, "WM_PANEL_PING", false},
    {0x0100, "WM_KEYDOWN", false},
    {0x0201, "WM_LBUTTONDOWN", false},
    {0x0200, "WM_MOUSEMOVE", false},
    {0x000F, "WM_PAINT", false},
    {0x0400 + kWmNotify, "WM_USER + WM_NOTIFY", false},
    {0xC000 + kWmDrawItem, "a registered message", false},
};

TEST(SentOnlyMessagesTest, DropsOnlyTheMessagesWhoseRecordTheSystemFillsInWhenItSends) {
  for (const MessageCase& c : kMessageCases) {
    EXPECT_EQ(IsSentOnlyRecordMessage(c.message), c.sentOnly) << c.name;
  }
}

}  // namespace
}  // namespace quendal::test
