// Message boxes without an owner window, over MessageBoxW.
#pragma once

#include "platform/Prompt.h"

namespace quendal {

class Win32Prompt : public Prompt {
 public:
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                     unsigned style) override;
};

}  // namespace quendal
