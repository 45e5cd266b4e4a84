// One METHOD_BUFFERED request as the simulated devices see it: input and output share one
// buffer, so an answer reads all of its input before it writes any output.
#pragma once

#include <cstdint>

#include "SimProtocol.h"

namespace quendal::sim {

struct Request {
  std::uint32_t code;
  std::uint8_t* buffer;
  std::uint32_t inputSize;
  std::uint32_t outputSize;
};

struct Answer {
  SimResult result;
  std::uint32_t bytesReturned;
};

inline constexpr Answer Refuse(SimResult result) { return {result, 0}; }
inline constexpr Answer Accept(std::uint32_t bytesReturned = 0) {
  return {SimResult::kOk, bytesReturned};
}

}  // namespace quendal::sim
