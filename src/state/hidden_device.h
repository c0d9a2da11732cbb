#pragma once
// The hidden device the library's own device work runs on.
#include <cstdint>
#include <string_view>

namespace vgx {

// Tests the hidden device's cooperative level and, while it reports itself lost or
// not reset, logs `lostLine` and resets it, at most `maxResets` times. Returns the
// last level it reported; VgxDeviceOK when there is no hidden device.
int32_t RecoverHiddenDevice(int32_t maxResets, std::string_view lostLine);

}  // namespace vgx
