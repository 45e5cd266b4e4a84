// A list of render endpoints behind the endpoint port: each with a friendly name (or none),
// whether its level reads, whether it takes a level, and the level. The system may lack the
// endpoints altogether. It records every level taken and counts the lists opened and still
// open, so that tests can prove that every list is released, also when an endpoint refuses.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/AudioEndpoints.h"

namespace quendal::test {

struct FakeEndpoint {
  std::optional<std::string> name;
  float level = 0.0f;
  bool readsLevel = true;
  bool refusesSet = false;
};

// An endpoint whose volume reads but refuses every level, as a system whose endpoint volume is a
// stub that reports full volume.
FakeEndpoint StubEndpoint(std::string name);

struct EndpointLevelSet {
  unsigned endpoint;
  float level;
  bool operator==(const EndpointLevelSet&) const = default;
};

class FakeAudioEndpoints : public AudioEndpoints {
 public:
  std::unique_ptr<RenderEndpoints> OpenActiveRenderEndpoints() override;

  // Script and state.
  bool available = true;  // false: the system has no endpoint interfaces
  std::vector<FakeEndpoint> endpoints;

  // Observations.
  std::vector<EndpointLevelSet> sets;
  int opens = 0;
  int misuses = 0;  // an endpoint number beyond the list
  int OpenLists() const { return m_openLists; }

 private:
  friend class FakeRenderEndpoints;
  int m_openLists = 0;
};

}  // namespace quendal::test
