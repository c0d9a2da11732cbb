#pragma once
// The state of one group.
#include <vgx/VgxDevice.h>
#include <vgx/VgxGroup.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/access.h"
#include "base/frame_math.h"
#include "scene/custom_field_schema.h"

struct vgx::GroupState {
    // Objects and children become absent (not empty) once the hierarchy is released.
    std::shared_ptr<VgxMemberList<VgxObject>> objects = std::make_shared<VgxMemberList<VgxObject>>();
    std::shared_ptr<VgxMemberList<VgxGroup>> children = std::make_shared<VgxMemberList<VgxGroup>>();
    std::shared_ptr<VgxMemberList<VgxLight>> lights = std::make_shared<VgxMemberList<VgxLight>>();
    // Skinning: the mesh this group moves as a bone, and per influence its point,
    // the host's weight and the weight after normalisation over all bones.
    std::shared_ptr<VgxObject> skin;
    std::vector<int32_t> influencePoints;
    std::vector<float> rawWeights, normalisedWeights;
    bool weightsStale = false;
    bool defaultBone = false;  // skin and influences given by the normalisation
    std::shared_ptr<VgxGroup> parent;  // each child keeps its parent alive
    std::shared_ptr<Vgx> root;
    std::string name;
    VgxMatrix local = vgx::rm::MatrixIdentity();
    VgxFogMode fogMode = VgxFogLinear;
    int32_t fogColor = 0;
    float fogStart = 0, fogEnd = 0, fogDensity = 0;
    int32_t appData = 0;
    float backgroundRed = 0, backgroundGreen = 0, backgroundBlue = 0;
    VgxVector rotationAxis{0, 1, 0};  // the spin of ApplyRotation
    float rotationAngle = 0;
    int32_t fogEnable = 0;
    int32_t animationOptions = 0;
    std::vector<VgxAnimationKey> rotationKeys, positionKeys;  // each ascending by time
    vgx::CustomFieldSchema groupFields, objectFields, materialFields;
    std::array<std::string, 6> customFieldValues;
};

namespace vgx {

// L(group) x L(parent) x ... x L(top); the identity for no group.
VgxMatrix WorldMatrix(const VgxGroup* group);

// Normalises the weights of every bone of `skin` (see VgxGroup::GetSkin).
void NormaliseSkinWeights(const std::shared_ptr<VgxObject>& skin);

}  // namespace vgx
