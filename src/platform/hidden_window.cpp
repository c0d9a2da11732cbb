#include "platform/hidden_window.h"

#include <atomic>

namespace vgx::platform {
namespace {
std::atomic<int64_t> nextHandle{1};
}

HiddenWindow::HiddenWindow() : handle_(nextHandle.fetch_add(1)) {}

}  // namespace vgx::platform
