// The task pool: every chunk once, the serial run's error, the thread setting.
#include "base/task_pool.h"

#include <gtest/gtest.h>
#include <vgx/Vgx7a.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "support/vgx_test.h"

namespace {

class TaskPool : public ::testing::Test {
protected:
    void TearDown() override { vgx::tasks::SetThreadCount(before_); }
    int32_t before_ = vgx::tasks::ThreadCount();
};

TEST_F(TaskPool, ChunksRunOnceAndTheLowestFailureIsRaisedWhateverTheThreads) {
    for (const int32_t threads : {1, 2, 4, 16}) {
        vgx::tasks::SetThreadCount(threads);
        std::vector<std::atomic<int>> runs(1000);
        std::vector<int> nestedSums(1000);
        vgx::tasks::ParallelFor(runs.size(), 7, [&](size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i) {
                ++runs[i];
                // A nested call runs on the chunk's own thread.
                vgx::tasks::ParallelFor(10, 3, [&](size_t b, size_t e) { nestedSums[i] += int(e - b); });
            }
        });
        for (size_t i = 0; i < runs.size(); ++i)
            ASSERT_EQ((std::pair(runs[i].load(), nestedSums[i])), std::pair(1, 10));
        for (int repeat = 0; repeat < 20; ++repeat) {
            try {
                vgx::tasks::RunChunks(600, [](size_t chunk) {
                    if (chunk == 13 || chunk == 29 || chunk == 599) throw std::runtime_error(std::to_string(chunk));
                });
                FAIL() << "no error with " << threads << " threads";
            } catch (const std::runtime_error& error) {
                ASSERT_STREQ(error.what(), "13") << threads << " threads";
            }
        }
    }
}

TEST_F(TaskPool, TheRootSettingTakesOneTo256) {
    auto root = Vgx::Create();
    root->SetThreadCount(3);
    EXPECT_EQ(root->GetThreadCount(), 3);
    for (const int32_t bad : {0, -1, 257}) {
        vgx::test::ExpectVgxError([&] { root->SetThreadCount(bad); }, 5, "Vgx", "Invalid procedure call or argument");
        EXPECT_EQ(root->GetThreadCount(), 3);
    }
    root->SetThreadCount(256);
    EXPECT_EQ(Vgx::Create()->GetThreadCount(), 256);
}

}  // namespace
