#pragma once
// The state of one mesh object.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <vgx/VgxFace.h>
#include <vgx/VgxObject.h>

struct VgxObject::Internals {
    std::shared_ptr<Vgx> root;
    // The proxy of each face of the editable mesh, by face index.
    std::vector<std::shared_ptr<VgxFace>> faceProxies;
    std::string name;
    int32_t appData = 0;
    int32_t objectId = 0;
    // 0: render data must be rebuilt; 1: current; 2: only positions moved.
    int32_t renderBufferState = 0;
};

namespace vgx {

// Releases the render buffers and empties every geometry level.
void ClearObject(VgxObject& object);

}  // namespace vgx
