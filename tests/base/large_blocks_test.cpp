#include "base/large_blocks.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace vgx::blocks {
namespace {

constexpr size_t kMegabyte = size_t{1} << 20;

TEST(LargeBlocks, FreedLargeBlocksServeTheNextRequestOfAboutTheirSize) {
    const CallInProgress call;  // nothing goes back for idling meanwhile
    ReleaseKeptBlocks();
    const size_t mappedBefore = MappedBlockBytes();
    void* small = AllocateBlock(kMegabyte / 8);
    FreeBlock(small, kMegabyte / 8);
    EXPECT_EQ(KeptBlockBytes(), 0U) << "small blocks go back to the heap";

    void* block = AllocateBlock(40 * kMegabyte);
    std::memset(block, 1, 40 * kMegabyte);
    EXPECT_EQ(MappedBlockBytes(), mappedBefore + 40 * kMegabyte);
    FreeBlock(block, 40 * kMegabyte);
    EXPECT_EQ(KeptBlockBytes(), 40 * kMegabyte);
    // Too small a request would waste most of the block: it gets fresh memory.
    void* other = AllocateBlock(20 * kMegabyte);
    EXPECT_NE(other, block);
    FreeBlock(other, 20 * kMegabyte);
    // A request up to a fifth smaller takes it, and it keeps its whole size for the next.
    void* again = AllocateBlock(33 * kMegabyte);
    EXPECT_EQ(again, block);
    EXPECT_EQ(KeptBlockBytes(), 20 * kMegabyte);
    FreeBlock(again, 33 * kMegabyte);
    EXPECT_EQ(KeptBlockBytes(), 60 * kMegabyte);
    void* third = AllocateBlock(40 * kMegabyte);
    EXPECT_EQ(third, block);
    FreeBlock(third, 40 * kMegabyte);
    EXPECT_EQ(MappedBlockBytes(), mappedBefore + 60 * kMegabyte);

    ReleaseKeptBlocks();
    EXPECT_EQ(KeptBlockBytes(), 0U);
    EXPECT_EQ(MappedBlockBytes(), mappedBefore);
}

TEST(LargeBlocks, ArraysGrowAndShrinkThroughKeptBlocksWithTheirValues) {
    const CallInProgress call;
    ReleaseKeptBlocks();
    BlockArray<int32_t> values;
    for (int32_t i = 0; i < (16 << 20) / 4; ++i) values.push_back(i);
    BlockArray<int32_t> copy = values;
    values = {};
    copy.resize(copy.size() * 2, 7);
    EXPECT_EQ(copy[12345], 12345);
    EXPECT_EQ(copy.back(), 7);
    copy = {};
    EXPECT_GT(KeptBlockBytes(), 0U);
    ReleaseKeptBlocks();
}

TEST(LargeBlocks, KeptBlocksGoBackOnceNoCallHasRunForASecond) {
    const size_t releases = IdleReleaseCount();
    {
        const CallInProgress call;
        FreeBlock(AllocateBlock(8 * kMegabyte), 8 * kMegabyte);
        EXPECT_GE(KeptBlockBytes(), 8 * kMegabyte);
    }
    const auto start = std::chrono::steady_clock::now();
    while (IdleReleaseCount() == releases && std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_GT(IdleReleaseCount(), releases);
    EXPECT_EQ(KeptBlockBytes(), 0U);
}

}  // namespace
}  // namespace vgx::blocks
