#include "platform/win32/Win32Prompt.h"

#include <windows.h>

namespace quendal {

int Win32Prompt::ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                                unsigned style) {
  return MessageBoxW(nullptr, text.c_str(), caption.c_str(), style);
}

}  // namespace quendal
