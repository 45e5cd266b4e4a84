// Port onto the named mutex that marks a running instance of the program.
#pragma once

#include <cstdint>

namespace quendal {

using MutexHandle = std::uintptr_t;

class InstanceLock {
 public:
  virtual ~InstanceLock() = default;

  // Creates (or opens) the named mutex, not owned; `alreadyExisted` tells whether another
  // instance had created it. Returns 0 when the mutex could not be created at all.
  virtual MutexHandle CreateNamedMutex(const char* name, bool& alreadyExisted) = 0;
  virtual void Close(MutexHandle mutex) = 0;
};

}  // namespace quendal
