#include "platform/message_box.h"

#include <cstdio>

#include "root/mod_file.h"
#include "root/vgx_internal.h"

namespace vgx::platform {

void ShowMessageBox(const Vgx& root, const std::string& text, int32_t style, const std::string& title) {
    const auto& handler = vgx::State(root).messageBox;
    if (handler) {
        handler(text, title, style);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    modFile::WriteLogLine(title + ": " + text);
}

}  // namespace vgx::platform
