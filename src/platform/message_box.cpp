#include "platform/message_box.h"

#include <cstdio>

#include "platform/mod_file.h"

namespace vgx::platform {

void ShowMessageBox(const VgxMessageBoxHandler& handler, const std::string& text, int32_t style,
                    const std::string& title) {
    if (handler) {
        handler(text, title, style);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    modFile::WriteLogLine(title + ": " + text);
}

}  // namespace vgx::platform
