// Recognises the device by the identifiers in its USB device descriptor.
#pragma once

#include <cstdint>

namespace quendal {

// True when the descriptor is the device's: its vendor's identifier and a product identifier
// whose high byte is 0x11, 0x16 or 0x17 (the low byte, the model's revision, is not examined).
bool IsQuendalDevice(std::uint16_t idVendor, std::uint16_t idProduct);

}  // namespace quendal
