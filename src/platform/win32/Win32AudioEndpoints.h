// The system's audio endpoints through the endpoint COM interfaces of Windows Vista and later.
// On older systems the device enumerator is not registered, so the list does not open.
#pragma once

#include "platform/AudioEndpoints.h"

namespace quendal {

class Win32AudioEndpoints : public AudioEndpoints {
 public:
  std::unique_ptr<RenderEndpoints> OpenActiveRenderEndpoints() override;
};

}  // namespace quendal
