// One case of the source-layout target and its byte form, shared by the target and the seed
// writer. Bytes, in order:
//   byte       "EnableFilter" stored before start-up (bit 0)
//   steps      until the input ends, at most kMostSteps, each:
//     byte     the action: its value modulo the number of actions
//     byte     bit 0 the control path does not open, bit 1 the driver refuses the source query,
//              bit 2 the user answers No to a question
//     byte     the reply's length, modulo kLongestReply + 1, followed by the reply's bytes
#pragma once

#include <cstdint>
#include <vector>

#include "FuzzSupport.h"

namespace quendal::fuzz {

enum class LayoutAction : std::uint8_t {
  kPollTick,          // the control-panel window's 200 ms timer
  kOtherTimer,        // a timer of the window that is not the poll's
  kDisplayTick,       // the effects page's 300 ms timer
  kSwitchEffectsOn,   // the user ticks the effects check box
  kSwitchEffectsOff,  // the user unticks it
  kOpenSettings,      // tray menu Open settings: the volume page is selected
  kShowEffectsTab,    // the user picks the effects tab
  kCloseSettings,     // the Close button: the volume page is selected
  kCount
};

struct LayoutStep {
  LayoutAction action = LayoutAction::kPollTick;
  bool openRefused = false;
  bool queryRefused = false;
  bool answerNo = false;
  std::vector<std::uint8_t> reply;
};

struct SourceLayoutCase {
  bool effectsStoredOn = false;
  std::vector<LayoutStep> steps;
};

inline constexpr std::size_t kMostSteps = 64;
inline constexpr std::size_t kLongestReply = 8;

inline SourceLayoutCase DecodeSourceLayoutCase(ByteReader& in) {
  SourceLayoutCase c;
  c.effectsStoredOn = (in.Byte() & 1) != 0;
  while (!in.AtEnd() && c.steps.size() < kMostSteps) {
    LayoutStep step;
    step.action = static_cast<LayoutAction>(in.Byte() % static_cast<int>(LayoutAction::kCount));
    const std::uint8_t flags = in.Byte();
    step.openRefused = (flags & 1) != 0;
    step.queryRefused = (flags & 2) != 0;
    step.answerNo = (flags & 4) != 0;
    step.reply = in.Bytes(in.Byte() % (kLongestReply + 1));
    c.steps.push_back(step);
  }
  return c;
}

inline std::vector<std::uint8_t> EncodeSourceLayoutCase(const SourceLayoutCase& c) {
  ByteWriter out;
  out.Byte(c.effectsStoredOn ? 1 : 0);
  for (const LayoutStep& step : c.steps) {
    out.Byte(static_cast<std::uint8_t>(step.action));
    out.Byte(static_cast<std::uint8_t>((step.openRefused ? 1 : 0) | (step.queryRefused ? 2 : 0) |
                                       (step.answerNo ? 4 : 0)));
    out.Byte(static_cast<std::uint8_t>(step.reply.size()));
    out.Bytes(step.reply);
  }
  return out.bytes;
}

}  // namespace quendal::fuzz
