// Port onto the system's audio endpoints: the active render endpoints (the outputs the user picks
// in the system's sound settings), each with its friendly name and its master volume as a scalar
// level, 0.0 silent to 1.0 loudest. Systems older than the endpoint interfaces have none. One
// Win32 adapter (the endpoint COM interfaces) and one fake with a list of endpoints for the tests.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace quendal {

// The active render endpoints as the system listed them when the list was opened, numbered 0 to
// the count - 1. Everything the list holds on the system is released when it is destroyed.
class RenderEndpoints {
 public:
  virtual ~RenderEndpoints() = default;

  virtual unsigned Count() = 0;
  // The endpoint's friendly name (UTF-8).
  virtual std::optional<std::string> FriendlyName(unsigned index) = 0;
  // The endpoint's master volume level.
  virtual std::optional<float> MasterLevel(unsigned index) = 0;
  // Sets the endpoint's master volume level; true when the endpoint took it.
  virtual bool SetMasterLevel(unsigned index, float level) = 0;
};

class AudioEndpoints {
 public:
  virtual ~AudioEndpoints() = default;

  // Nothing where the system has no endpoint interfaces or refuses to list its endpoints.
  virtual std::unique_ptr<RenderEndpoints> OpenActiveRenderEndpoints() = 0;
};

}  // namespace quendal
