#include "ui/RequestFailure.h"

#include "platform/WindowsValues.h"
#include "resource_ids.h"

namespace quendal {

void ShowRequestFailure(Dialog& owner, const StringTable& strings) {
  owner.ShowMessage(strings, IDS_TRANSFER_ERROR, IDS_IO_CONTROL_ERROR, kMbOk);
}

}  // namespace quendal
