#include "fakes/FakeFilterLibrary.h"

namespace quendal::test {

LibraryHandle FakeFilterLibrary::Load(const std::wstring& path, DependencySearch search) {
  loadedPaths.push_back(path);
  searches.push_back(search);
  if (!loads) return 0;
  const LibraryHandle library = m_next++;
  m_loaded.insert(library);
  return library;
}

LibraryExport FakeFilterLibrary::Find(LibraryHandle library, const char* name) {
  if (!m_loaded.contains(library)) {
    ++misuses;
    return 0;
  }
  if (!exports.contains(name)) return 0;
  m_lookups.push_back({library, name});
  return m_lookups.size();
}

int FakeFilterLibrary::Call(LibraryExport function) {
  if (function == 0 || function > m_lookups.size()) {
    ++misuses;
    return 0;
  }
  const Lookup& lookup = m_lookups[function - 1];
  if (!m_loaded.contains(lookup.library)) ++misuses;
  calls.push_back(lookup.name);
  const Export& entry = exports.at(lookup.name);
  m_lastError = entry.lastError;
  return entry.result;
}

void FakeFilterLibrary::Free(LibraryHandle library) {
  if (m_loaded.erase(library) == 0) ++misuses;
}

}  // namespace quendal::test
