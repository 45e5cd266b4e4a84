// Values of the Windows API that the logic passes through the ports unchanged. They are the
// system's own numbers, so the Win32 adapters hand them on as they are.
#pragma once

namespace quendal {

// Message box styles and answers.
inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbYesNo = 0x4;
inline constexpr unsigned kMbIconHand = 0x10;
inline constexpr unsigned kMbIconExclamation = 0x30;
inline constexpr int kIdOk = 1;
// With kIdOk, also the commands of Enter and Escape in a dialog.
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// Button notification sent with WM_COMMAND when a button is clicked.
inline constexpr int kBnClicked = 0;

}  // namespace quendal
