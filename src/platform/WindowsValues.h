// Values of the Windows API that the logic passes through the ports unchanged. They are the
// system's own numbers, so the Win32 adapters hand them on as they are.
#pragma once

#include <cstdint>

namespace quendal {

// Message box styles and answers.
inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbYesNo = 0x4;
inline constexpr unsigned kMbIconHand = 0x10;
inline constexpr unsigned kMbIconExclamation = 0x30;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// Button notification sent with WM_COMMAND when a button is clicked.
inline constexpr int kBnClicked = 0;

// Notification a slider sends with WM_NOTIFY when the mouse button is released on it.
inline constexpr int kNmReleasedCapture = -16;

// Rights asked for on a registry key.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;

// Window messages the logic handles by number.
inline constexpr unsigned kWmDeviceChange = 0x0219;
// WM_DEVICECHANGE event: a device node was added or removed somewhere in the system.
inline constexpr unsigned kDbtDevNodesChanged = 7;
// The user's session ends (logoff, shutdown): first asked, then told whether it really ends.
inline constexpr unsigned kWmQueryEndSession = 0x0011;
inline constexpr unsigned kWmEndSession = 0x0016;
// Power events; the two resume events follow a suspend, with or without a user present.
inline constexpr unsigned kWmPowerBroadcast = 0x0218;
inline constexpr std::uintptr_t kPbtApmResumeSuspend = 7;
inline constexpr std::uintptr_t kPbtApmResumeAutomatic = 0x12;
// Taken from the program's own message loop: something asked the program to end.
inline constexpr unsigned kWmQuit = 0x0012;

}  // namespace quendal
