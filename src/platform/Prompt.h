// Port onto message boxes that have no owner window: warnings shown outside any of the
// program's windows.
#pragma once

#include <string>

namespace quendal {

class Prompt {
 public:
  virtual ~Prompt() = default;

  // Shows the box and returns the button chosen (kIdOk, kIdYes, kIdNo) once it is closed.
  virtual int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                             unsigned style) = 0;
};

}  // namespace quendal
