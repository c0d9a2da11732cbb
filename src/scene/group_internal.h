#pragma once
// The state of one group.
#include <cstdint>
#include <memory>
#include <string>

#include <vgx/VgxGroup.h>

struct VgxGroup::Internals {
    // Objects and children become absent (not empty) once the hierarchy is released.
    std::shared_ptr<VgxMemberList<VgxObject>> objects = std::make_shared<VgxMemberList<VgxObject>>();
    std::shared_ptr<VgxMemberList<VgxGroup>> children = std::make_shared<VgxMemberList<VgxGroup>>();
    std::shared_ptr<VgxMemberList<VgxLight>> lights = std::make_shared<VgxMemberList<VgxLight>>();
    std::shared_ptr<VgxObject> skin;
    std::shared_ptr<VgxGroup> parent;  // each child keeps its parent alive
    std::shared_ptr<Vgx> root;
    std::string name;
    int32_t appData = 0;
};
