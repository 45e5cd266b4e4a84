#include "device/DeviceIdentity.h"

namespace quendal {

namespace {

// The vendor identifier is held only under this mask, so its plain value never appears in
// the program's image. Read as a constant, the optimiser would fold the mask into the masked
// value and compare idVendor with the plain identifier; read through a volatile, the mask stays
// a value of its own that the comparison takes from memory.
constexpr std::uint16_t kVendorMask = 0x5C93;
const volatile std::uint16_t g_vendorMask = kVendorMask;
constexpr std::uint16_t kMaskedVendor = 0x66ED;

constexpr std::uint8_t kProductFamilies[] = {0x11, 0x16, 0x17};

}  // namespace

bool IsQuendalDevice(std::uint16_t idVendor, std::uint16_t idProduct) {
  if ((idVendor ^ g_vendorMask) != kMaskedVendor) return false;
  const auto family = static_cast<std::uint8_t>(idProduct >> 8);
  for (std::uint8_t known : kProductFamilies) {
    if (family == known) return true;
  }
  return false;
}

}  // namespace quendal
