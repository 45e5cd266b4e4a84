// The named single-instance mutex over CreateMutexA.
#pragma once

#include "platform/InstanceLock.h"

namespace quendal {

class Win32InstanceLock : public InstanceLock {
 public:
  MutexHandle CreateNamedMutex(const char* name, bool& alreadyExisted) override;
  void Close(MutexHandle mutex) override;
};

}  // namespace quendal
