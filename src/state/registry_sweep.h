#pragma once
// The sweep the garbage collection runs over each registry.
#include <memory>
#include <vector>

#include "state/library_state.h"

namespace vgx {

// References to a member from outside the library, counted on the sweep's own
// copy: the registry and the sweep hold one each.
template <class T>
long ExternalReferences(const std::shared_ptr<T>& visited) {
    return visited.use_count() - 2;
}

// Visits the members registered when the sweep starts; `releasable` decides per
// member (and may dismantle it). Released members leave the registry before any of
// them is destroyed, so destructors that reach the library see a consistent registry.
template <class T, class Releasable>
void Sweep(Registry<T>& registry, Releasable&& releasable) {
    const size_t visited = registry.size();
    std::vector<bool> release(visited);
    for (size_t i = 0; i < visited; ++i) {
        // A copy: releasing a member may reach code that registers new ones.
        const std::shared_ptr<T> member = registry[i];
        release[i] = releasable(member);
    }
    Registry<T> released;
    size_t kept = 0;
    for (size_t i = 0; i < registry.size(); ++i) {
        if (i < visited && release[i]) {
            released.push_back(std::move(registry[i]));
        } else {
            registry[kept++] = std::move(registry[i]);
        }
    }
    registry.resize(kept);
    while (!released.empty()) released.pop_back();  // highest index first
}

}  // namespace vgx
