#pragma once
// The MSZIP body of a compressed (bzip / tzip) .x file: a 32-bit total size, then
// blocks of raw deflate data, each signed "CK" and each inflated with the block
// before it as its preset dictionary.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vgx::xfile {

// Inflates the bytes that follow the 16-byte file header. Raises FormatError when a
// size disagrees with the input or the data does not inflate to what it claims.
std::vector<uint8_t> InflateMsZip(const uint8_t* data, size_t size);

}  // namespace vgx::xfile
