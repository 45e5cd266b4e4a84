#include "fakes/FakeAudioEndpoints.h"

namespace quendal::test {

FakeEndpoint StubEndpoint(std::string name) { return {std::move(name), 1.0f, true, true}; }

class FakeRenderEndpoints final : public RenderEndpoints {
 public:
  explicit FakeRenderEndpoints(FakeAudioEndpoints& system) : m_system(system) {
    ++m_system.m_openLists;
  }
  ~FakeRenderEndpoints() override { --m_system.m_openLists; }
  FakeRenderEndpoints(const FakeRenderEndpoints&) = delete;
  FakeRenderEndpoints& operator=(const FakeRenderEndpoints&) = delete;

  unsigned Count() override { return static_cast<unsigned>(m_system.endpoints.size()); }

  std::optional<std::string> FriendlyName(unsigned index) override {
    const FakeEndpoint* endpoint = At(index);
    if (!endpoint) return std::nullopt;
    return endpoint->name;
  }

  std::optional<float> MasterLevel(unsigned index) override {
    const FakeEndpoint* endpoint = At(index);
    if (!endpoint || !endpoint->readsLevel) return std::nullopt;
    return endpoint->level;
  }

  bool SetMasterLevel(unsigned index, float level) override {
    FakeEndpoint* endpoint = At(index);
    if (!endpoint || endpoint->refusesSet) return false;
    endpoint->level = level;
    m_system.sets.push_back({index, level});
    return true;
  }

 private:
  FakeEndpoint* At(unsigned index) {
    if (index < m_system.endpoints.size()) return &m_system.endpoints[index];
    ++m_system.misuses;
    return nullptr;
  }

  FakeAudioEndpoints& m_system;
};

std::unique_ptr<RenderEndpoints> FakeAudioEndpoints::OpenActiveRenderEndpoints() {
  if (!available) return nullptr;
  ++opens;
  return std::make_unique<FakeRenderEndpoints>(*this);
}

}  // namespace quendal::test
