#include <algorithm>

#include "platform/xfile.h"
#include "platform/xfile_binary_tokens.h"
#include "platform/xfile_text_tokens.h"

namespace vgx::xfile {

void TextTokens::Fail(const std::string& why) const {
    const auto line = 1 + std::count(begin_, pos_, '\n');
    throw FormatError(".x file, line " + std::to_string(line) + ": " + why);
}

void BinaryTokens::Fail(const std::string& why) const {
    throw FormatError("binary .x file, byte " + std::to_string(pos_ - begin_) + " of the body: " + why);
}

}  // namespace vgx::xfile
