// Little-endian 32-bit values in byte buffers: the byte order of the driver's records and of
// REG_DWORD data, whatever the host.
#pragma once

#include <cstdint>

namespace quendal {

constexpr void PutLittleEndian32(std::uint8_t* bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

constexpr std::uint32_t GetLittleEndian32(const std::uint8_t* bytes) {
  return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
         std::uint32_t{bytes[3]} << 24;
}

}  // namespace quendal
