#include "state/hidden_device.h"

#include <vgx/VgxDevice.h>

#include "platform/mod_file.h"
#include "state/library_state.h"

namespace vgx {

int32_t RecoverHiddenDevice(int32_t maxResets, std::string_view lostLine) {
    LibraryState& library = Library();
    if (!library.hiddenDevice) return VgxDeviceOK;
    VgxSoftwareDevice& device = *library.hiddenDevice;
    int32_t level = device.TestCooperativeLevel();
    for (int32_t attempt = 0; attempt < maxResets && (level == VgxDeviceLost || level == VgxDeviceNotReset);
         ++attempt) {
        modFile::WriteLogLine(lostLine);
        device.Reset(library.presentParameters);
        level = device.TestCooperativeLevel();
    }
    return level;
}

}  // namespace vgx
