// A handle on the simulated device's private control device, closed when the client goes.
#pragma once

#include <windows.h>

#include <cstdint>

namespace quendal::sim {

class SimClient {
 public:
  SimClient();
  ~SimClient();
  SimClient(const SimClient&) = delete;
  SimClient& operator=(const SimClient&) = delete;

  // False when the driver is not running; GetLastError tells why.
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

  bool Send(std::uint32_t code, const void* input = nullptr, std::uint32_t inputSize = 0,
            void* output = nullptr, std::uint32_t outputSize = 0);

  template <typename Input>
  bool SendValue(std::uint32_t code, const Input& input) {
    return Send(code, &input, sizeof(input));
  }

 private:
  HANDLE handle_;
};

}  // namespace quendal::sim
