#pragma once
// The candidates a file name is looked up under: the name itself when it has a
// folder (backslashes read as slashes), the bare file name in each folder of a
// ";"-separated search path, then the bare file name alone.
#include <functional>
#include <string>

namespace vgx::platform {

// Calls `attempt` with each candidate in that order until it returns true; false
// when none did.
bool SearchFile(const std::string& fileName, const std::string& searchPath,
                const std::function<bool(const std::string& path)>& attempt);

// The first candidate that names a readable file, empty when none does.
std::string FindFile(const std::string& fileName, const std::string& searchPath);

}  // namespace vgx::platform
