#pragma once
// The window handle the hidden device is created on. Nothing is ever shown, so a
// process-unique handle is all a window needs to be here.
#include <cstdint>

namespace vgx::platform {

class HiddenWindow {
public:
    HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;
    int64_t GetHandle() const { return handle_; }

private:
    int64_t handle_;
};

}  // namespace vgx::platform
