#include "bench_support.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vgx::bench {

std::shared_ptr<Vgx> QuietRoot() {
    static const std::string folder = [] {
        auto path = std::filesystem::temp_directory_path() / "vgx_bench";
        std::filesystem::create_directories(path);
        return path.string();
    }();
    setenv("XDG_DOCUMENTS_DIR", folder.c_str(), 1);
    return Vgx::Create();
}

}  // namespace vgx::bench
