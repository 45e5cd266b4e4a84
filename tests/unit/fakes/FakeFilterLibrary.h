// The maker's filter-support library as a table of exports and their results. Counts loads
// and frees, and calls on an export of a library already freed, so that tests can prove that
// nothing outlives one question.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/FilterLibrary.h"

namespace quendal::test {

class FakeFilterLibrary : public FilterLibrary {
 public:
  struct Export {
    int result = 1;
    std::uint32_t lastError = 0;  // left in the thread's last-error value by the call
  };

  bool CanConfineSearch() const override { return canConfineSearch; }
  LibraryHandle Load(const std::wstring& path, DependencySearch search) override;
  LibraryExport Find(LibraryHandle library, const char* name) override;
  int Call(LibraryExport function) override;
  std::uint32_t LastError() const override { return m_lastError; }
  void Free(LibraryHandle library) override;

  // Script.
  bool canConfineSearch = true;
  bool loads = true;
  std::map<std::string, Export> exports{{"IsDeviceInstalled", {}}, {"AddUSBAudioFilter", {}}};

  // Observations.
  std::vector<std::wstring> loadedPaths;   // every load asked for, loaded or not
  std::vector<DependencySearch> searches;  // the search each of those loads asked for
  std::vector<std::string> calls;
  int misuses = 0;  // lookups, calls or frees on a library that is not loaded
  int OpenLibraries() const { return static_cast<int>(m_loaded.size()); }

 private:
  struct Lookup {
    LibraryHandle library;
    std::string name;
  };

  std::set<LibraryHandle> m_loaded;
  std::vector<Lookup> m_lookups;  // an export's value is its index here plus one
  LibraryHandle m_next = 0x10000;
  std::uint32_t m_lastError = 0;
};

}  // namespace quendal::test
