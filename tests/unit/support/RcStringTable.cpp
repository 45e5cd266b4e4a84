#include "support/RcStringTable.h"

#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace quendal::test {

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::map<std::string, unsigned> ReadResourceIds(const std::string& headerPath) {
  std::map<std::string, unsigned> defines;
  const std::string header = ReadTextFile(headerPath);
  const std::regex define(R"(#define\s+(\w+)\s+(\d+))");
  for (auto it = std::sregex_iterator(header.begin(), header.end(), define);
       it != std::sregex_iterator(); ++it) {
    defines[(*it)[1]] = static_cast<unsigned>(std::stoul((*it)[2]));
  }
  return defines;
}

namespace {

// Undoes the resource compiler's escapes: \n, \\, \" and a doubled quote.
std::string Unescape(const std::string& literal) {
  std::string text;
  for (std::size_t i = 0; i < literal.size(); ++i) {
    const char c = literal[i];
    if (c == '\\' && i + 1 < literal.size()) {
      const char next = literal[++i];
      text.push_back(next == 'n' ? '\n' : next);
    } else if (c == '"' && i + 1 < literal.size() && literal[i + 1] == '"') {
      text.push_back('"');
      ++i;
    } else {
      text.push_back(c);
    }
  }
  return text;
}

}  // namespace

std::wstring DecodeUtf8(const std::string& text) {
  std::wstring wide;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    unsigned code = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (int k = 1; k < length && i + k < text.size(); ++k) {
      code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    wide.push_back(static_cast<wchar_t>(code));
    i += length;
  }
  return wide;
}

RcStringTable::RcStringTable(const std::string& rcPath, const std::string& idHeaderPath) {
  const auto defines = ReadResourceIds(idHeaderPath);
  const std::string script = ReadTextFile(rcPath);
  const std::regex block(R"re(STRINGTABLE[^\n]*\nBEGIN\n([\s\S]*?)\nEND)re");
  const std::regex entry(R"re(^\s*(\w+)\s*,?\s*"((?:[^"]|"")*)"\s*$)re");
  for (auto it = std::sregex_iterator(script.begin(), script.end(), block);
       it != std::sregex_iterator(); ++it) {
    std::istringstream lines((*it)[1].str());
    for (std::string line; std::getline(lines, line);) {
      std::smatch match;
      if (!std::regex_match(line, match, entry)) continue;
      const std::string key = match[1];
      const unsigned id = std::isdigit(static_cast<unsigned char>(key[0]))
                              ? static_cast<unsigned>(std::stoul(key))
                              : defines.at(key);
      m_entries[id] = DecodeUtf8(Unescape(match[2]));
    }
  }
}

RcStringTable::RcStringTable()
    : RcStringTable(QUENDAL_RES_DIR "/strings.rc", QUENDAL_RES_DIR "/resource_ids.h") {}

std::wstring RcStringTable::Load(unsigned id) const {
  const auto entry = m_entries.find(id);
  return entry == m_entries.end() ? std::wstring() : entry->second;
}

}  // namespace quendal::test
