#pragma once
// A modal message box: the host's handler, or the diagnostic log and standard
// error when none is installed.
#include <vgx/Vgx.h>

#include <cstdint>
#include <string>

namespace vgx::platform {

void ShowMessageBox(const VgxMessageBoxHandler& handler, const std::string& text, int32_t style,
                    const std::string& title = "VorlanSG");

}  // namespace vgx::platform
