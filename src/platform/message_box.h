#pragma once
// The modal message box of a scene root: the host's handler, or the diagnostic log
// and standard error when none is installed.
#include <cstdint>
#include <string>

class Vgx;

namespace vgx::platform {

void ShowMessageBox(const Vgx& root, const std::string& text, int32_t style, const std::string& title = "VorlanSG");

}  // namespace vgx::platform
