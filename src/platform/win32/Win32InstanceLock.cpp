#include "platform/win32/Win32InstanceLock.h"

#include <windows.h>

namespace quendal {

MutexHandle Win32InstanceLock::CreateNamedMutex(const char* name, bool& alreadyExisted) {
  HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
  alreadyExisted = GetLastError() == ERROR_ALREADY_EXISTS;
  return reinterpret_cast<MutexHandle>(mutex);
}

void Win32InstanceLock::Close(MutexHandle mutex) { CloseHandle(reinterpret_cast<HANDLE>(mutex)); }

}  // namespace quendal
