// The system messages whose lParam points at a record that the system fills in when it sends
// the message, and only then. Posted, such a message carries whatever number the poster put
// there: from another program an address of that program, which means nothing here.
#pragma once

namespace quendal {

inline constexpr unsigned kWmCreate = 0x0001;
inline constexpr unsigned kWmSetText = 0x000C;
inline constexpr unsigned kWmGetText = 0x000D;
inline constexpr unsigned kWmGetMinMaxInfo = 0x0024;
inline constexpr unsigned kWmDrawItem = 0x002B;
inline constexpr unsigned kWmMeasureItem = 0x002C;
inline constexpr unsigned kWmDeleteItem = 0x002D;
inline constexpr unsigned kWmCompareItem = 0x0039;
inline constexpr unsigned kWmWindowPosChanging = 0x0046;
inline constexpr unsigned kWmWindowPosChanged = 0x0047;
inline constexpr unsigned kWmCopyData = 0x004A;
inline constexpr unsigned kWmNotify = 0x004E;
inline constexpr unsigned kWmHelp = 0x0053;
inline constexpr unsigned kWmStyleChanging = 0x007C;
inline constexpr unsigned kWmStyleChanged = 0x007D;
inline constexpr unsigned kWmNcCreate = 0x0081;
inline constexpr unsigned kWmNcCalcSize = 0x0083;
inline constexpr unsigned kWmInitDialog = 0x0110;
// Sent from Windows 8.1 to per-monitor aware windows; the headers of the oldest supported
// Windows do not declare it.
inline constexpr unsigned kWmDpiChanged = 0x02E0;

// True for a message that is only ever sent with a record of the system's: a posted one is
// forged and is dropped before anything reads its record.
bool IsSentOnlyRecordMessage(unsigned message);

}  // namespace quendal
