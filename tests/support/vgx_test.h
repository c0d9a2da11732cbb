#pragma once
// Shared by the tests: a scratch home folder per test process, the diagnostic log
// read back, and checks of raised errors.
#include <gtest/gtest.h>
#include <vgx/VgxError.h>

#include <functional>
#include <string>
#include <vector>

namespace vgx::test {

// The fresh folder HOME, temp and the documents folder point at in this process.
const std::string& ScratchFolder();

// The messages of the diagnostic log, oldest first, without date and time.
std::vector<std::string> LogMessages();
// Whole lines of the diagnostic log.
std::vector<std::string> LogLines();
// Empties the diagnostic log.
void ClearLog();

// Asserts that `call` raises VgxError with exactly this number, source and description.
void ExpectVgxError(const std::function<void()>& call, int32_t number, const std::string& source,
                    const std::string& description);
// The same for the error an index outside its list raises.
inline void ExpectOutOfRange(const std::function<void()>& call, const std::string& source = "VgxObject") {
    ExpectVgxError(call, 9, source, "Subscript out of range");
}

}  // namespace vgx::test
