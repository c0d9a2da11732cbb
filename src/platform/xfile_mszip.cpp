#include "platform/xfile_mszip.h"

#include <zlib.h>

#include <cstring>
#include <string>

#include "platform/xfile.h"

namespace vgx::xfile {
namespace {

constexpr size_t kHeaderSize = 16;
// Deflate cannot expand one input byte to more than 1032 output bytes, so a body
// claiming more than that (plus one full block) is lying about its size.
constexpr uint64_t kMostInflatedPerByte = 1032;
constexpr uint64_t kBlockSlack = 65536;

uint32_t ReadU32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// One z_stream for all blocks, released however the inflation ends.
struct Inflater {
    z_stream stream{};
    Inflater() {
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) throw FormatError("compressed .x file: zlib failed to start");
    }
    ~Inflater() { inflateEnd(&stream); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
};

}  // namespace

std::vector<uint8_t> InflateMsZip(const uint8_t* data, size_t size) {
    if (size < 4) throw FormatError("compressed .x file ends before its size");
    const uint32_t total = ReadU32(data);
    if (total < kHeaderSize) throw FormatError("compressed .x file claims a size smaller than its header");
    const uint64_t bodySize = total - kHeaderSize;
    if (bodySize > static_cast<uint64_t>(size) * kMostInflatedPerByte + kBlockSlack)
        throw FormatError("compressed .x file claims " + std::to_string(total) + " bytes, more than " +
                          std::to_string(size) + " compressed bytes can hold");
    std::vector<uint8_t> out;
    out.reserve(bodySize);
    Inflater inflater;
    z_stream& z = inflater.stream;
    size_t at = 4;
    size_t previousBlock = 0;  // where the last block's output starts in `out`
    while (out.size() < bodySize) {
        if (size - at < 6) throw FormatError("compressed .x file ends inside a block header");
        const uint16_t blockSize = ReadU16(data + at);
        const uint16_t packedSize = ReadU16(data + at + 2);
        at += 4;
        if (packedSize < 2 || packedSize > size - at) throw FormatError("compressed .x block is larger than the file");
        if (data[at] != 'C' || data[at + 1] != 'K') throw FormatError("compressed .x block lacks its CK signature");
        if (blockSize == 0 || blockSize > bodySize - out.size())
            throw FormatError("compressed .x block inflates past the file's stated size");
        const size_t start = out.size();
        if (inflateReset(&z) != Z_OK) throw FormatError("compressed .x file: zlib reset failed");
        if (start > 0 && inflateSetDictionary(&z, out.data() + previousBlock, static_cast<uInt>(start - previousBlock)) != Z_OK)
            throw FormatError("compressed .x file: zlib refused the previous block as dictionary");
        out.resize(start + blockSize);
        z.next_in = const_cast<Bytef*>(data + at + 2);
        z.avail_in = packedSize - 2u;
        z.next_out = out.data() + start;
        z.avail_out = blockSize;
        const int status = inflate(&z, Z_FINISH);
        if (status != Z_STREAM_END || z.avail_out != 0)
            throw FormatError("compressed .x block does not inflate to its stated " + std::to_string(blockSize) + " bytes");
        previousBlock = start;
        at += packedSize;
    }
    return out;
}

}  // namespace vgx::xfile
