// What the fuzz targets share: the check that stops a run on a broken invariant, and the reader
// that turns a fuzzer's bytes into a case, reading zeros once the bytes run out so that every
// input, the empty one included, is a case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

namespace quendal::fuzz {

// libFuzzer keeps the input of any run that aborts; the message says which invariant broke.
inline void Require(bool holds, const char* invariant) {
  if (holds) return;
  std::fprintf(stderr, "invariant broken: %s\n", invariant);
  std::abort();
}

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

  bool AtEnd() const { return m_next >= m_bytes.size(); }
  std::uint8_t Byte() { return AtEnd() ? 0 : m_bytes[m_next++]; }
  std::uint16_t Word() {
    const std::uint16_t low = Byte();
    return static_cast<std::uint16_t>(low | (Byte() << 8));
  }
  std::vector<std::uint8_t> Bytes(std::size_t count) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < count; ++i) bytes.push_back(Byte());
    return bytes;
  }

 private:
  std::span<const std::uint8_t> m_bytes;
  std::size_t m_next = 0;
};

class ByteWriter {
 public:
  void Byte(std::uint8_t value) { bytes.push_back(value); }
  void Word(std::uint16_t value) {
    Byte(static_cast<std::uint8_t>(value));
    Byte(static_cast<std::uint8_t>(value >> 8));
  }
  void Bytes(const std::vector<std::uint8_t>& values) {
    bytes.insert(bytes.end(), values.begin(), values.end());
  }

  std::vector<std::uint8_t> bytes;
};

}  // namespace quendal::fuzz
