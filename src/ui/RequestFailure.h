// The message every window shows when the driver refuses one of its requests.
#pragma once

#include "platform/StringTable.h"
#include "ui/Dialog.h"

namespace quendal {

// "USB data transfer error, try again", owned by `owner`, with the OK button only.
void ShowRequestFailure(Dialog& owner, const StringTable& strings);

}  // namespace quendal
