#include "RequestLog.h"

namespace quendal::sim {

void RequestLog::Record(const Request& request, SimResult result) {
  if (count_ == kLogCapacity) {
    first_ = (first_ + 1) % kLogCapacity;
    --count_;
    ++dropped_;
  }
  SIM_LOG_ENTRY& entry = entries_[(first_ + count_) % kLogCapacity];
  entry = {
      request.code, static_cast<std::uint32_t>(result), request.inputSize, request.outputSize, {}};
  const std::uint32_t logged = request.buffer == nullptr ? 0 : request.inputSize;
  for (std::uint32_t i = 0; i < logged && i < kLogInputBytes; ++i) {
    entry.input[i] = request.buffer[i];
  }
  ++count_;
}

void RequestLog::CopyTo(SIM_LOG& log, bool clear) {
  log.dwCount = count_;
  log.dwDropped = dropped_;
  for (std::uint32_t i = 0; i < kLogCapacity; ++i) {
    log.entries[i] = i < count_ ? entries_[(first_ + i) % kLogCapacity] : SIM_LOG_ENTRY{};
  }
  if (clear) {
    first_ = 0;
    count_ = 0;
    dropped_ = 0;
  }
}

bool FailurePlan::Plan(std::uint32_t code, std::uint32_t count) {
  SIM_FAILURE* freeSlot = nullptr;
  for (SIM_FAILURE& slot : slots_) {
    if (slot.dwCount != 0 && slot.dwCode == code) {
      slot.dwCount = count;
      return true;
    }
    if (slot.dwCount == 0 && freeSlot == nullptr) freeSlot = &slot;
  }
  if (count == 0) return true;
  if (freeSlot == nullptr) return false;
  *freeSlot = {code, count};
  return true;
}

bool FailurePlan::Take(std::uint32_t code) {
  for (SIM_FAILURE& slot : slots_) {
    if (slot.dwCount != 0 && slot.dwCode == code) {
      --slot.dwCount;
      return true;
    }
  }
  return false;
}

}  // namespace quendal::sim
