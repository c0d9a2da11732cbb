#pragma once
// Runs a test's body once per thread count of the library.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "base/task_pool.h"

namespace vgx::test {

// body(threads) with the thread count at each of `counts` in turn, stopping at a
// fatal failure. The count the test found is put back however the body ends, so
// a failing test leaves the later ones their usual count.
template <class Body>
void ForEachThreadCount(std::initializer_list<int32_t> counts, Body&& body) {
    struct Restore {
        int32_t count;
        ~Restore() { tasks::SetThreadCount(count); }
    } restore{tasks::ThreadCount()};
    for (const int32_t threads : counts) {
        tasks::SetThreadCount(threads);
        body(threads);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

}  // namespace vgx::test
