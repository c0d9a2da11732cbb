#pragma once
// Shared by the benchmark programs.
#include <vgx/Vgx.h>

#include <memory>

namespace vgx::bench {

// A scene root whose start-up log goes to a scratch folder, not the user's documents.
std::shared_ptr<Vgx> QuietRoot();

}  // namespace vgx::bench
