// The program's own string table, read from the resource script, so that tests see the texts
// the program shows. Ids may be numbers or names from the shared id header.
#pragma once

#include <map>
#include <string>

#include "platform/StringTable.h"

namespace quendal::test {

class RcStringTable : public StringTable {
 public:
  // Reads the STRINGTABLE blocks of `rcPath`, resolving names through `idHeaderPath`.
  RcStringTable(const std::string& rcPath, const std::string& idHeaderPath);
  // The program's string table from the source tree.
  RcStringTable();

  std::wstring Load(unsigned id) const override;
  const std::map<unsigned, std::wstring>& Entries() const { return m_entries; }

 private:
  std::map<unsigned, std::wstring> m_entries;
};

// The whole of a source file; throws when it cannot be read.
std::string ReadTextFile(const std::string& path);
// The numeric #defines of the shared id header, by name.
std::map<std::string, unsigned> ReadResourceIds(const std::string& headerPath);

// UTF-8 to wide characters, for the texts of the resource script.
std::wstring DecodeUtf8(const std::string& text);

}  // namespace quendal::test
